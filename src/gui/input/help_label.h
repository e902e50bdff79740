// The mode title and its two links, written in the module's markup ("<font size=10pt>",
// "<a msg=\"1001\">"...), shown in a label: the markup is turned into the label's rich
// text, and a click on a link hands its msg text to the link callback.
#pragma once

#include <QLabel>
#include <functional>

#include "platform/cstring.h"

class CHelpLabel : public QLabel {
  public:
    explicit CHelpLabel(QWidget* parent);

    void SetMarkup(const CString& markup);
    CString Markup() const { return m_strMarkup; }
    // Called with the link's msg text.
    std::function<void(const CString& msg)> m_onLink;

  private:
    CString m_strMarkup;
};

// The markup as Qt rich text.
QString RichTextOfMarkup(const QString& markup);
