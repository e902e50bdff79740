#include "gui/output/details_dlg.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "gui/plugin/dialog_units.h"
#include "platform/prompt.h"

namespace {

QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString(), text.GetLength());
}

QLabel* MakeLabel(QWidget* parent, const QRect& rect) {
    auto* label = new QLabel(parent);
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

CDetailsDlg::CDetailsDlg(std::vector<CString> strings, QWidget* parent)
    : QDialog(parent), m_strings(std::move(strings)) {
    // The template: 387 x 270 dialog units, in the platform's default GUI font.
    setFont(QApplication::font());
    const tabulon::gui::CDialogUnits du(font());
    setFixedSize(du.X(387), du.Y(270));

    auto* fileCaption = MakeLabel(this, du.Rect(8, 8, 50, 9));
    fileCaption->setText(QStringLiteral("Excel File:"));
    m_pFile = MakeLabel(this, du.Rect(60, 7, 308, 18));
    m_pFile->setWordWrap(true);
    m_pFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* sheetCaption = MakeLabel(this, du.Rect(8, 32, 46, 9));
    sheetCaption->setText(QStringLiteral("Worksheet:"));
    m_pSheet = MakeLabel(this, du.Rect(61, 32, 308, 11));
    m_pSheet->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_list = new QListWidget(this);
    m_list->setGeometry(du.Rect(6, 55, 369, 177));
    m_list->setUniformItemSizes(true);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(du.X(4), du.Y(238), du.X(370), 2);

    m_pOpen = new QPushButton(this);
    m_pOpen->setGeometry(du.Rect(225, 247, 85, 14));
    m_pClose = new QPushButton(this);
    m_pClose->setGeometry(du.Rect(326, 247, 50, 14));
    m_pClose->setDefault(true);
    connect(m_pOpen, &QPushButton::clicked, this, [this] { OnOpenFile(); });
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::reject);

    OnInitDialog();
}

const CString& CDetailsDlg::StringAt(size_t index) const {
    static const CString kEmpty;
    return index < m_strings.size() ? m_strings[index] : kEmpty;
}

void CDetailsDlg::OnInitDialog() {
    setWindowTitle(QStringLiteral("Detailed information"));
    m_pOpen->setText(QStringLiteral("Open this Excel file..."));
    m_pClose->setText(QStringLiteral("Close"));
    m_list->clear();
    m_pFile->setText(Q(StringAt(0)));
    m_pFile->setToolTip(Q(StringAt(0)));
    m_pSheet->setText(Q(StringAt(1)));
    for (size_t i = 2; i < m_strings.size(); ++i)
        m_list->addItem(Q(m_strings[i]));
}

void CDetailsDlg::OnOpenFile() {
    // A workbook that is gone, or has no application for it, opens nothing; the dialog
    // stays open either way.
    tabulon::platform::OpenDocument(StringAt(0));
}
