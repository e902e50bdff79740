// The rich-text control, offscreen: the text set through the window-text setter, links
// that light up as one and notify the parent, alignment; a work mode's title with its two
// links drawn plain, hovered and disabled (embossed, inert), saved as screenshots.
#include <QTest>

#include "gui/richtext/rich_text_static.h"
#include "gui_test_support.h"

using tabulon::gui::testing::ScreenshotFolder;

namespace {

constexpr int kLinkClicked = 0x8100;

// A parent that records the link notifications it receives.
class CNotifiedParent : public QWidget {
  public:
    bool event(QEvent* event) override {
        if (event->type() == static_cast<QEvent::Type>(kLinkClicked)) {
            auto* link = static_cast<CLinkNotifyEvent*>(event);
            m_received.emplace_back(link->LinkText(), link->UserValue());
            return true;
        }
        return QWidget::event(event);
    }
    std::vector<std::pair<CString, std::intptr_t>> m_received;
};

// The help text of a work mode as the input view writes it.
CString ModeHelpText() {
    const char* title =
        "<font size=14pt><b>Add cell by cell</b></font><br>Add the numbers in the same cells "
        "of many worksheets, onto a template worksheet whose \"(SUM)\" cells say where, or "
        "onto a copy of the first worksheet.";
    CString text;
    text.Format(
        "%s<b><br /><font size=10pt><a msg=\"%u\">%s</a></font></b>    <b><font "
        "size=10pt><a msg=\"%u\">%s</a></font></b>    ",
        title, 1001u, "More help on this task...", 1002u, "Tabulon home page");
    return text;
}

// How many pixels of the image are this colour or close to it (text is antialiased).
int CountColour(const QImage& image, QColor colour) {
    int n = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                     std::abs(c.blue() - colour.blue()) <=
                 24;
        }
    }
    return n;
}

class RichTextStaticTest : public ::testing::Test {
  protected:
    RichTextStaticTest() {
        m_parent.resize(460, 140);
        m_control = new CRichTextStatic(&m_parent);
        m_control->setGeometry(10, 10, 440, 120);
        m_control->SetLinkNotify(kLinkClicked, 42);
        m_parent.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_parent));
    }
    QImage Shot() { return m_control->grab().toImage(); }
    // The link areas of one link id.
    std::vector<RichLinkArea> AreasOf(int id) {
        std::vector<RichLinkArea> out;
        for (const auto& area : m_control->Drawer().LinkAreas()) {
            if (area.id == id)
                out.push_back(area);
        }
        return out;
    }
    void MoveTo(const RichLinkArea& area) {
        QTest::mouseMove(m_control, QPoint(area.rect.left + 2, area.rect.top + 2));
        QCoreApplication::processEvents();
        Shot();  // draws again
    }

    CNotifiedParent m_parent;
    CRichTextStatic* m_control = nullptr;
};

TEST_F(RichTextStaticTest, ShowsMarkupSetAsWindowText) {
    m_control->setText("<b>Bold</b> and <font size=7 color=red>red</font>");
    EXPECT_EQ(m_control->GetText(), "<b>Bold</b> and <font size=7 color=red>red</font>");
    EXPECT_TRUE(m_control->QLabel::text().isEmpty());
    const QImage shot = Shot();
    EXPECT_GT(CountColour(shot, QColor(255, 0, 0)), 10);
    EXPECT_GT(CountColour(shot, m_control->palette().color(QPalette::WindowText)), 10);
    // The font is the body rule, in points.
    QFont font("DejaVu Sans");
    font.setPointSize(11);
    font.setItalic(true);
    m_control->setFont(font);
    const QColor text = m_control->palette().color(QPalette::WindowText);
    CString expected;
    expected.Format(
        "font-size:11pt; color:0x%02X%02X%02X; font-family:DejaVu Sans; font-weight:400; "
        "font-style:italic",
        text.blue(), text.green(), text.red());
    EXPECT_EQ(m_control->Drawer().StyleRule("body"), expected);
}

TEST_F(RichTextStaticTest, LinkSplitOverTwoLinesLightsUpAndNotifies) {
    m_control->setGeometry(10, 10, 150, 120);
    m_control->setText("Read <a msg=\"1001\">more help on this task</a> or <a msg=7>x</a>");
    Shot();
    const auto& areas = m_control->Drawer().LinkAreas();
    ASSERT_GE(areas.size(), 3u);
    const std::vector<RichLinkArea> first = AreasOf(areas[0].id);
    ASSERT_EQ(first.size(), 2u) << "the link should wrap onto two lines";
    ASSERT_NE(first[0].rect.top, first[1].rect.top);

    MoveTo(first[1]);
    EXPECT_EQ(m_control->HotLink(), first[0].id);
    EXPECT_EQ(m_control->cursor().shape(), Qt::PointingHandCursor);
    int underlined = 0;
    for (const RichPiece& piece : m_control->Drawer().Pieces())
        underlined += piece.style.linkId == first[0].id && piece.style.underline;
    EXPECT_EQ(underlined, 2);

    QTest::mouseClick(m_control, Qt::LeftButton, {},
                      QPoint(first[1].rect.left + 2, first[1].rect.top + 2));
    ASSERT_EQ(m_parent.m_received.size(), 1u);
    EXPECT_EQ(m_parent.m_received[0].first, "1001");
    EXPECT_EQ(m_parent.m_received[0].second, 42);

    // Leaving clears the hot link.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(m_control, &leave);
    EXPECT_EQ(m_control->HotLink(), CRichTextDrawer::kNoHotLink);
}

TEST_F(RichTextStaticTest, AlignmentFromTheLabelOrTheFlags) {
    m_control->SetText("short");
    struct Case {
        Qt::Alignment alignment;
        unsigned flags;
        int expectedLeft;  // -1: centred
    };
    const Case cases[] = {
        {Qt::AlignLeft | Qt::AlignTop, 0, 4},
        {Qt::AlignHCenter | Qt::AlignTop, 0, -1},
        {Qt::AlignLeft | Qt::AlignTop, CRichTextStatic::AlignHCenter, -1},
    };
    m_control->SetMargins(4, 2);
    for (const Case& c : cases) {
        m_control->setAlignment(c.alignment);
        m_control->SetAlignmentFlags(c.flags);
        Shot();
        const QRect text = m_control->TextRect();
        if (c.expectedLeft >= 0) {
            EXPECT_EQ(text.left(), c.expectedLeft);
        } else {
            EXPECT_NEAR(text.center().x(), m_control->width() / 2, 2);
        }
        EXPECT_EQ(text.top(), 2);
    }
}

// A work mode's title with its two links: drawn plain, with a link hovered, and disabled,
// when it is embossed and its links are inert.
TEST_F(RichTextStaticTest, ModeTitleNormalHoveredAndDisabled) {
    m_control->SetMargins(4, 4);
    m_control->SetText(ModeHelpText());
    EXPECT_TRUE(Shot().save(ScreenshotFolder() + "/rich_text_normal.png"));
    const auto& areas = m_control->Drawer().LinkAreas();
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_NE(areas[0].id, areas[1].id);
    const RichLinkArea link = areas[0];
    MoveTo(link);
    EXPECT_EQ(m_control->HotLink(), link.id);
    EXPECT_TRUE(Shot().save(ScreenshotFolder() + "/rich_text_link_hovered.png"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(m_control, &leave);

    m_control->setEnabled(false);
    const QImage shot = Shot();
    EXPECT_TRUE(shot.save(ScreenshotFolder() + "/rich_text_disabled.png"));
    // Embossed: the highlight colour shows right of and below the shadow colour.
    const QPalette& palette = m_control->palette();
    ASSERT_NE(palette.color(QPalette::Light), palette.color(QPalette::Button));
    EXPECT_GT(CountColour(shot, palette.color(QPalette::Light)), 10);
    EXPECT_GT(CountColour(shot, palette.color(QPalette::Dark)), 10);
    EXPECT_EQ(CountColour(shot, QColor(0, 0, 255)), 0);
    MoveTo(link);
    QTest::mouseClick(m_control, Qt::LeftButton, {}, QPoint(link.rect.left + 2, link.rect.top + 2));
    EXPECT_EQ(m_control->HotLink(), CRichTextDrawer::kNoHotLink);
    EXPECT_TRUE(m_parent.m_received.empty());
    EXPECT_NE(m_control->cursor().shape(), Qt::PointingHandCursor);
}

}  // namespace
