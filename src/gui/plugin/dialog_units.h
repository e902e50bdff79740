// Dialog units, the measure of the dialog templates: a horizontal unit is a quarter of
// the font's average character width, a vertical unit an eighth of its height, so a
// template keeps its proportions in any font.
#pragma once

#include <QFont>
#include <QRect>

namespace tabulon::gui {

class CDialogUnits {
  public:
    explicit CDialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;

    double BaseX() const { return m_baseX; }
    double BaseY() const { return m_baseY; }

  private:
    double m_baseX;  // average character width in pixels
    double m_baseY;  // character height in pixels
};

}  // namespace tabulon::gui
