// CRichTextStatic: a label that shows its text through a CRichTextDrawer: styled, word-
// wrapped, aligned, with links that light up under the mouse. A click on an href link
// opens it through the desktop; a click on a msg link sends the link notification
// (CLinkNotifyEvent) to the window chosen with SetLinkNotify.
#pragma once

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <cstdint>
#include <memory>

#include "gui/richtext/markup/rich_text_drawer.h"

// The link notification: sent (not posted) to the target with the event type equal to
// the message number given to SetLinkNotify (a user event type, 1000 to 65535). It
// carries the link's msg text and the user value.
class CLinkNotifyEvent : public QEvent {
  public:
    CLinkNotifyEvent(int message, CString text, std::intptr_t userValue)
        : QEvent(static_cast<QEvent::Type>(message)),
          m_strText(std::move(text)),
          m_nUserValue(userValue) {}

    // The message's first parameter: the link text.
    const CString& LinkText() const { return m_strText; }
    // The second: the user value.
    std::intptr_t UserValue() const { return m_nUserValue; }

  private:
    CString m_strText;
    std::intptr_t m_nUserValue;
};

class CRichTextStatic : public QLabel {
  public:
    // Alignment flags: bits 0-1 horizontal, bits 2-3 vertical; 0 in a group takes the
    // label's own alignment.
    enum : unsigned {
        AlignLeft = 1,
        AlignRight = 2,
        AlignHCenter = 3,
        AlignTop = 4,
        AlignBottom = 8,
        AlignVCenter = 12,
    };
    static constexpr RichColor kNoColor = 0xFFFFFFFF;
    // The background modes: 1 transparent (the parent shows through), 2 plain colour.
    enum BackgroundMode { BackTransparent = 1, BackPlain = 2 };

    explicit CRichTextStatic(QWidget* parent = nullptr);
    ~CRichTextStatic() override;

    // The markup text; the label's own text stays empty. setText is the window-text
    // setter: it stores the markup the same way.
    void SetText(const CString& text);
    void setText(const QString& text);
    const CString& GetText() const { return m_strText; }

    // Writes the "body" rule from a font (also on every font change of the widget).
    void SetFont(const QFont& font);
    void SetLinkColors(RichColor normal, bool normalUnderline, RichColor hover,
                       bool hoverUnderline);
    // msg links send message number message with userValue to the current parent.
    void SetLinkNotify(int message, std::intptr_t userValue);
    void SetMargins(int horizontal, int vertical);
    void SetAlignmentFlags(unsigned flags);
    // The colour wrapped around the whole text; kNoColor for none.
    void SetTextColor(RichColor color);
    void SetBackground(RichColor color, BackgroundMode mode = BackPlain);

    CRichTextDrawer& Drawer() { return *m_pDrawer; }
    // Where the text was last drawn, in client coordinates.
    QRect TextRect() const { return m_textRect; }
    // The id of the hovered link, CRichTextDrawer::kNoHotLink when none.
    int HotLink() const { return m_pDrawer->HotLink(); }

    bool hasHeightForWidth() const override { return wordWrap(); }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    CString MarkupToDraw() const;
    QSize LayoutSize(int width) const;
    void UpdateHover(const QPoint& pos);
    void Redraw();

    std::unique_ptr<CRichTextDrawer> m_pDrawer;
    CString m_strText;
    QRect m_textRect;
    int m_nMarginX = 0;
    int m_nMarginY = 0;
    unsigned m_nAlignFlags = 0;
    RichColor m_textColor;
    RichColor m_backColor;
    int m_nBackMode = BackPlain;
    QImage m_background;  // cached for one size and colour
    QPointer<QObject> m_pNotifyTarget;
    int m_nNotifyMessage = 0;
    std::intptr_t m_nNotifyValue = 0;
};
