#include "gui/input/help_label.h"

#include <QRegularExpression>

CHelpLabel::CHelpLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(this, &QLabel::linkActivated, this, [this](const QString& link) {
        if (m_onLink)
            m_onLink(CString(link.toUtf8().toStdString()));
    });
}

void CHelpLabel::SetMarkup(const CString& markup) {
    m_strMarkup = markup;
    setText(RichTextOfMarkup(QString::fromUtf8(markup.GetString())));
}

QString RichTextOfMarkup(const QString& markup) {
    QString text = markup;
    static const QRegularExpression link(QStringLiteral("<a\\s+msg\\s*=\\s*\"?([^\">]*)\"?\\s*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    text.replace(link, QStringLiteral("<a href=\"\\1\">"));
    static const QRegularExpression size(
        QStringLiteral("<font\\s+size\\s*=\\s*\"?([0-9.]+)pt\"?\\s*>"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(size, QStringLiteral("<span style=\"font-size:\\1pt\">"));
    static const QRegularExpression fontEnd(QStringLiteral("</font\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    text.replace(fontEnd, QStringLiteral("</span>"));
    // Runs of blanks between the links keep their width.
    text.replace(QStringLiteral("    "), QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;"));
    return text;
}
