#include "gui/plugin/dialog_units.h"

#include <QFontMetricsF>
#include <cmath>

namespace tabulon::gui {

CDialogUnits::CDialogUnits(const QFont& font) {
    QFontMetricsF metrics(font);
    // The average over the Latin letters, as dialog templates measure it.
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = metrics.horizontalAdvance(kLetters) / kLetters.size();
    m_baseY = metrics.height();
}

int CDialogUnits::X(int units) const {
    return static_cast<int>(std::lround(units * m_baseX / 4.0));
}

int CDialogUnits::Y(int units) const {
    return static_cast<int>(std::lround(units * m_baseY / 8.0));
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

}  // namespace tabulon::gui
