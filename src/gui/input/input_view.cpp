#include "gui/input/input_view.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <cstdlib>

#include "engine/task.h"
#include "gui/input/task_field_list.h"
#include "gui/input/work_modes.h"
#include "gui/output/output_view.h"
#include "gui/plugin/dialog_units.h"
#include "gui/plugin/gui_prompt.h"
#include "gui/plugin/notify_pump.h"
#include "gui/plugin/plugin_app.h"
#include "gui/richtext/rich_text_static.h"
#include "platform/host_text.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "platform/prompt.h"

namespace {

QWidget* CreateInputView(QWidget* parent, CCreateContext* context) {
    return new CInputView(parent, context);
}

constexpr const char* kHostSection = "TABULON";
constexpr const char* kHelpFormat =
    "%s<b><br /><font size=10pt><a msg=\"%u\">%s</a></font></b>    <b><font size=10pt><a "
    "msg=\"%u\">%s</a></font></b>    ";
constexpr unsigned kHelpLink = 1001;
constexpr unsigned kHomeLink = 1002;

QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString(), text.GetLength());
}

}  // namespace

const CRuntimeClass classCInputView = {"CInputView", nullptr, &CreateInputView};

CInputView::CInputView(QWidget* parent, CCreateContext* context) : QWidget(parent) {
    setObjectName(QStringLiteral("CInputView"));
    // The form's 8-point font.
    QFont form = QApplication::font();
    form.setPointSize(8);
    setFont(form);
    // Dialog template 1001, 543 x 224 dialog units.
    const tabulon::gui::CDialogUnits du(font());
    m_wndIcon = new QLabel(this);
    m_wndIcon->setGeometry(du.Rect(9, 11, 20, 20));
    m_wndIcon->setScaledContents(true);
    m_wndHelp = new CRichTextStatic(this);
    m_wndHelp->SetBackground(CRichTextStatic::kNoColor, CRichTextStatic::BackTransparent);
    m_wndHelp->setGeometry(du.Rect(45, 6, 444, 50));
    m_pInstruction = new QLabel(this);
    m_pInstruction->setGeometry(du.Rect(10, 62, 389, 10));
    m_pGroup = new QGroupBox(this);
    m_pGroup->setGeometry(du.Rect(9, 73, 481, 96));
    m_pStart = new QPushButton(this);
    m_pStart->setGeometry(du.Rect(377, 179, 50, 14));
    m_pStop = new QPushButton(this);
    m_pStop->setGeometry(du.Rect(440, 179, 50, 14));
    m_pStop->setEnabled(false);
    m_pMinHeightMark = new QWidget(this);
    m_pMinHeightMark->setGeometry(du.Rect(1, 0, 8, 8));
    m_pMinHeightMark->hide();
    connect(m_pStart, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(m_pStop, &QPushButton::clicked, this, [this] { OnStop(); });

    m_pPump = new tabulon::gui::CNotifyPump(
        [this](tabulon::platform::CNotifyMessage message) { OnTaskNotify(std::move(message)); },
        nullptr, this);
    if (context && context->m_pCurrentDoc) {
        m_pDocument = context->m_pCurrentDoc;
        m_pDocument->AddView(this, &classCInputView);
    }
}

CInputView::~CInputView() {
    // A task still running is asked to end; its last messages have nowhere to go.
    if (m_pTask) {
        tabulon::gui::CPromptRefusal refusal;
        m_pTask->Stop();
        m_pTask.reset();
    }
    delete m_pPump;
    m_pPump = nullptr;
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    // The module must not call a view that is gone.
    if (theApp.m_pInputView == this)
        theApp.m_pInputView = nullptr;
}

tabulon::platform::CNotifyHandle CInputView::NotifyHandle() const {
    return m_pPump->Handle();
}

void CInputView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    OnInitialUpdate();
}

void CInputView::OnInitialUpdate() {
    if (!m_bFirstUpdate)
        return;
    theApp.m_pInputView = this;
    m_bFirstUpdate = 0;
    Init();
    m_hBackground = LoadBitmapFile(theApp.GetResourceFolder() + "/background.bmp");
    update();
}

void CInputView::Init() {
    // The field lists, in the registry's order; each builds its rows and loads its values.
    m_lists[0] = new CAddCellByCellList(this);
    m_lists[1] = new CCopySheetsList(this);
    m_lists[2] = new CCopyRowsList(this);
    m_lists[3] = new CCopyRowsByKeyColList(this);
    m_lists[4] = new CTwoFileList("Config_MergeTwoXLSCols", this);
    m_lists[5] = new CTwoFileList("Config_Intersection", this);
    m_lists[6] = new CTwoFileList("Config_Difference", this);
    m_lists[7] = new CCheckSameFormatList(this);
    for (CTaskFieldList* list : m_lists)
        list->hide();

    m_pInstruction->setText(QString::fromLatin1(kInstructionText));
    m_pStart->setText(QStringLiteral("Start"));
    m_pStop->setText(QStringLiteral("Stop"));

    CString guid = tabulon::platform::ReadProfileString(tabulon::platform::GetIniPath(), "Config",
                                                        "LastWorkMode");
    if (guid.IsEmpty())
        guid = tabulon::gui::kDefaultWorkModeGuid;
    m_wndHelp->SetLinkNotify(WM_LINKCLICKED, 0);
    SelectWorkMode(guid);
}

CString CInputView::HelpPagePath(const CString& guid) const {
    return tabulon::gui::HelpPagePath(theApp.GetResourceFolder(), guid);
}

void CInputView::SelectWorkMode(const CString& guid) {
    if (m_pCurList)
        m_pCurList->hide();
    QPixmap icon;
    if (const tabulon::gui::WorkModeEntry* entry = tabulon::gui::FindWorkMode(guid)) {
        m_pCurList = m_lists[entry - tabulon::gui::kWorkModes];
        icon = QPixmap(Q(theApp.GetResourceFolder() + "/" + entry->iconFile));
    } else {
        tabulon::platform::MessageBoxOk("No this UI");
    }
    m_strHelpPage = HelpPagePath(guid);
    m_wndIcon->setPixmap(icon);

    using tabulon::platform::LookupHostText;
    const CString title = LookupHostText(kHostSection, guid);
    const CString moreHelp = LookupHostText(kHostSection, "MORE_HELP_TXT");
    const CString homePage = LookupHostText(kHostSection, "HOME_PAGE_TXT");
    CString help;
    help.Format(kHelpFormat, title.GetString(), kHelpLink, moreHelp.GetString(), kHomeLink,
                homePage.GetString());
    m_wndHelp->SetText(help);
    ArrangeControls(m_pCurList);
}

int CInputView::OnLinkClicked(const CString& msg) {
    const CString home = tabulon::platform::LookupHostText(kHostSection, "PRODUCT_HOME_PAGE");
    switch (std::atoi(msg.GetString())) {
        case kHelpLink:
            tabulon::platform::OpenDocument(m_strHelpPage);
            break;
        case kHomeLink:
            tabulon::platform::OpenDocument(home);
            break;
        default:
            break;
    }
    return 1;
}

void CInputView::OnStart() {
    if (tabulon::platform::CountProcesses("Excel.exe") > 0)
        tabulon::platform::MessageBoxOk(kExcelRunningText);
    CTaskFieldList* list = m_pCurList;
    if (!list)
        return;
    list->EndEdit();
    std::unique_ptr<tabulon::engine::CTask> task = list->Validate(NotifyHandle());
    if (!task)
        return;
    list->SaveSettings();

    m_pStart->setEnabled(false);
    m_pStop->setEnabled(true);
    if (auto* output = static_cast<COutputView*>(FindView(m_pDocument, &classCOutputView)))
        output->OnTaskNotify(TN_CLEAR, {});
    m_pTask = tabulon::engine::CTask::Start(std::move(task));
}

void CInputView::OnStop() {
    if (!m_pTask)
        return;
    {
        // The worker may be asking something: it gets the cautious answer while we wait.
        tabulon::gui::CPromptRefusal refusal;
        m_pTask->Stop();
    }
    m_pTask.reset();
}

void CInputView::OnTaskNotify(tabulon::platform::CNotifyMessage message) {
    if (message.code == TN_FINISHED) {
        m_pStart->setEnabled(true);
        m_pStop->setEnabled(false);
        m_pTask.reset();
    }
    RouteToOutputView(m_pDocument, std::move(message));
}

void CInputView::ArrangeControls(CTaskFieldList* list) {
    int h = height();
    if (h < kMinHeight)
        h = m_pMinHeightMark->geometry().top() + kMinHeight;
    for (QPushButton* button : {m_pStart, m_pStop})
        button->move(button->x(), h - 10 - button->height());
    const int t = m_pStart->y();
    QRect group = m_pGroup->geometry();
    group.setBottom(t - 20 - 1);
    m_pGroup->setGeometry(group);
    if (list) {
        list->setGeometry(m_pGroup->geometry());
        list->show();
    }
}

void CInputView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeControls(m_pCurList);
}

bool CInputView::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_LINKCLICKED)) {
        OnLinkClicked(static_cast<CLinkNotifyEvent*>(event)->LinkText());
        return true;
    }
    return QWidget::event(event);
}

void CInputView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_hBackground.isNull())
        FillWithBitmap(m_hBackground, painter, 0, 0, width(), height());
}
