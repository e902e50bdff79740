#include "gui/input/select_sheet_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

#include "engine/automation/application.h"
#include "engine/automation/com_error.h"
#include "engine/sheet/sheet_helpers.h"
#include "gui/plugin/dialog_units.h"
#include "platform/prompt.h"

namespace {

QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString(), text.GetLength());
}

// The list's image: two overlapping tables, 18 x 16 on white.
QPixmap TwoTablesImage() {
    QPixmap image(18, 16);
    image.fill(Qt::white);
    QPainter dc(&image);
    auto table = [&dc](int x, int y, QColor head) {
        dc.fillRect(x, y, 11, 10, Qt::white);
        dc.fillRect(x, y, 11, 3, head);
        dc.setPen(QColor(64, 64, 64));
        dc.drawRect(x, y, 10, 9);
        dc.setPen(QColor(150, 150, 150));
        dc.drawLine(x + 1, y + 6, x + 9, y + 6);
        dc.drawLine(x + 4, y + 3, x + 4, y + 8);
        dc.drawLine(x + 7, y + 3, x + 7, y + 8);
    };
    table(1, 1, QColor(0, 128, 0));
    table(6, 5, QColor(0, 0, 160));
    dc.end();
    image.setMask(image.createMaskFromColor(Qt::white));  // white is transparent
    return image;
}

}  // namespace

CSelectSheetDlg::CSelectSheetDlg(std::vector<CString> names, QWidget* parent)
    : QDialog(parent), m_names(std::move(names)) {
    setWindowTitle(QString::fromUtf8(kCaption));
    setFont(QApplication::font());
    const tabulon::gui::CDialogUnits du(font());
    setFixedSize(du.X(347), du.Y(247));

    m_pInstruction = new QLabel(this);
    m_pInstruction->setObjectName(QStringLiteral("static1017"));
    m_pInstruction->setGeometry(du.Rect(8, 7, 327, 21));
    m_pInstruction->setWordWrap(true);
    m_pInstruction->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list1001"));
    m_list->setGeometry(du.Rect(9, 33, 327, 186));
    m_list->setViewMode(QListView::IconMode);
    m_list->setWordWrap(false);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(18, 16));
    m_list->setSpacing(4);

    m_pCancel = new QPushButton(QString::fromUtf8(kCancelText), this);
    m_pCancel->setGeometry(du.Rect(287, 229, 50, 14));
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The start-up of the template: the image list, the names, the instruction line.
    const QIcon image(TwoTablesImage());
    for (const CString& name : m_names)
        m_list->addItem(new QListWidgetItem(image, Q(name)));
    m_pInstruction->setText(QString::fromLatin1(kInstruction));
    connect(m_list, &QListWidget::itemClicked, this, [this] { OnClickList(); });
}

void CSelectSheetDlg::OnClickList() {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    m_strSelected = CString(selected.front()->text().toUtf8().toStdString());
    accept();
}

bool PickWorkbookAndSheet(const CString& prompt, CString& file, CString& sheet) {
    using namespace tabulon;
    const CString path =
        platform::PromptForFile("xls", "", kExcelFileFilter, prompt,
                                platform::OFN_EXPLORER | platform::OFN_FILEMUSTEXIST |
                                    platform::OFN_HIDEREADONLY | platform::OFN_OVERWRITEPROMPT,
                                "");
    if (path.IsEmpty())
        return false;
    std::vector<CString> names;
    try {
        engine::_Application session = engine::_Application::Create();
        engine::ListWorksheetNames(session, path, names);
        session.Quit();
    } catch (const engine::ComError&) {
        platform::MessageBoxOk(kNoExcelMessage);
        return false;
    }
    if (names.empty())
        return false;
    CString chosen;
    if (names.size() == 1) {
        chosen = names.front();
    } else {
        CSelectSheetDlg dialog(names, nullptr);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.m_strSelected;
    }
    if (chosen.IsEmpty())
        return false;
    file = path;
    sheet = chosen;
    return true;
}
