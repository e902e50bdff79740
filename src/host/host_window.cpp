#include "host/host_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSplitter>
#include <algorithm>
#include <iterator>

#include "platform/host_text.h"

namespace tabulon::host {

const HostMode kHostModes[8] = {
    {"6EF1C0C4-6411-4ee1-89C3-53866FA1823B", "AddCellByCell.ico"},
    {"E9354DF6-F9CF-4310-B5C6-54D11F436316", "CopySheets.ico"},
    {"2C06E931-21D8-4fe1-BDEB-C60C4F1D7F19", "CopyRows.ico"},
    {"AC754C78-1F7B-49ca-BE7F-7F91D30535BF", "CopyRowsByKeyCol.ico"},
    {"3795E75B-F859-4075-A2F6-CC6D16D611A5", "MergeCols.ico"},
    {"3A296218-DDFD-4aee-8CBF-7D0EDCA7EBA1", "Intersection.ico"},
    {"C6CAB78A-B0AE-4189-A2AF-98DF66A5C9F0", "difference.ico"},
    {"0217C129-AB61-4d69-806C-063454133814", "CheckSameFormatSheet.ico"},
};

namespace {

constexpr const char* kModuleFile = "libTabulon.so";
constexpr int kModeListWidth = 230;

}  // namespace

bool CHostModule::Load(const QString& path, QString& error) {
    m_library.setFileName(path);
    if (!m_library.load()) {
        error = QStringLiteral("The Tabulon module could not be loaded from \"%1\".\n\n%2")
                    .arg(path, m_library.errorString());
        return false;
    }
    GetLayoutView = reinterpret_cast<QX_GetLayoutViewProc>(m_library.resolve("QX_GetLayoutView"));
    OnClick = reinterpret_cast<QX_OnClickProc>(m_library.resolve("QX_OnClick"));
    const char* missing = !GetLayoutView ? "QX_GetLayoutView" : (!OnClick ? "QX_OnClick" : nullptr);
    if (missing) {
        error = QStringLiteral("\"%1\" is not a Tabulon module: it has no function %2.")
                    .arg(path, QLatin1String(missing));
        GetLayoutView = nullptr;
        OnClick = nullptr;
        return false;
    }
    return true;
}

QString CHostModule::Folder() const {
    return QFileInfo(m_library.fileName()).absolutePath();
}

QString PlainTextOfMarkup(const QString& markup) {
    QString text = markup;
    text.replace(
        QRegularExpression(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption),
        QStringLiteral("\n"));
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text.trimmed();
}

CHostWindow::CHostWindow(CHostModule& module) : m_module(module) {
    setWindowTitle(QStringLiteral("Tabulon"));
    resize(kDefaultWidth, kDefaultHeight);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_pModes = new QListWidget(splitter);
    m_pModes->setIconSize(QSize(32, 32));
    m_pModes->setSpacing(2);
    m_pModes->setMinimumWidth(160);
    const QString iconFolder = module.Folder() + QStringLiteral("/Tabulon_DLL/");
    for (const HostMode& mode : kHostModes) {
        QString markup =
            QString::fromUtf8(platform::LookupHostText("TABULON", mode.guid).GetString());
        QString plain = PlainTextOfMarkup(markup);
        QString title = plain.section('\n', 0, 0);
        auto* item = new QListWidgetItem(QIcon(iconFolder + QLatin1String(mode.iconFile)),
                                         title.isEmpty() ? QLatin1String(mode.guid) : title);
        item->setToolTip(plain);
        item->setData(Qt::UserRole, QLatin1String(mode.guid));
        m_pModes->addItem(item);
    }
    // Wide enough for the longest title beside its icon.
    int widest = 0;
    for (int i = 0; i < m_pModes->count(); ++i)
        widest =
            std::max(widest, m_pModes->fontMetrics().horizontalAdvance(m_pModes->item(i)->text()));
    const int listWidth = std::max(kModeListWidth, widest + 32 + 40);
    m_pModes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A pick is a selection (click or keys). The list's current row alone also moves when
    // it first gets the focus, which must not override the mode the module starts in.
    connect(m_pModes, &QListWidget::itemSelectionChanged, this,
            [this] { OnModePicked(m_pModes->currentRow()); });

    m_context.m_pCurrentDoc = &m_document;
    const CRuntimeClass* layoutClass = module.GetLayoutView();
    m_pLayoutView = layoutClass ? layoutClass->CreateObject(splitter, &m_context) : nullptr;
    if (m_pLayoutView)
        splitter->addWidget(m_pLayoutView);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({listWidth, kDefaultWidth - listWidth});
    setCentralWidget(splitter);
}

CHostWindow::~CHostWindow() {
    // The views leave the document as they go, so they go before it.
    delete centralWidget();
}

void CHostWindow::OnModePicked(int row) {
    if (row < 0 || row >= static_cast<int>(std::size(kHostModes)) || !m_module.OnClick)
        return;
    m_nLastClickResult = m_module.OnClick(kHostModes[row].guid);
}

QString DefaultModulePath() {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kModuleFile);
}

int RunHost(const QString& modulePath) {
    CHostModule module;
    QString error;
    if (!module.Load(modulePath, error)) {
        QMessageBox::critical(nullptr, QStringLiteral("Tabulon"), error);
        return 1;
    }
    CHostWindow window(module);
    window.show();
    return QApplication::exec();
}

}  // namespace tabulon::host
