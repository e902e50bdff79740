// The worksheet check-combo, offscreen: clicks in its pop-up tree, whole-name appending,
// the keyboard, the tooltip, closing from outside; and its screenshot.
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include "gui/controls/check_combo_box.h"
#include "gui/controls/check_combo_tree.h"
#include "gui_test_support.h"

using tabulon::gui::testing::ScreenshotFolder;

namespace {

const char* const kNames[] = {"January", "Jan",  "February", "March", "April",   "May",
                              "June",    "July", "August",   "Sept",  "Summary", "Notes"};

class CheckComboTest : public ::testing::Test {
  protected:
    CheckComboTest() {
        m_window.resize(360, 520);
        auto* layout = new QVBoxLayout(&m_window);
        m_combo = new CCheckComboBox(&m_window);
        m_other = new QPushButton("Other", &m_window);
        layout->addWidget(m_other);  // above: the pop-up covers what is below the combo
        layout->addWidget(m_combo);
        layout->addStretch();
        // What a worksheet row's refresh does on each click.
        m_combo->m_pfnOnClick = [](void* context) {
            auto* self = static_cast<CheckComboTest*>(context);
            self->m_openAtCallback.push_back(self->m_combo->IsDroppedDown());
            self->m_combo->RemoveAllEntries();
            for (const char* name : kNames)
                self->m_combo->AddEntry(name, 2, 1);
            self->m_combo->RebuildTree();
        };
        m_combo->m_pClickContext = this;
        m_combo->CreateTree();
        m_combo->SetText(CCheckComboBox::kAllWorksheets);
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    // Clicks through the window system, as a user's click comes: an open pop-up sees it.
    void ClickAt(QWidget* widget, QPoint pos) {
        QTest::mouseClick(m_window.windowHandle(), Qt::LeftButton, {},
                          widget->mapTo(&m_window, pos));
        QTest::qWait(30);
    }
    void ClickCombo() { ClickAt(m_combo, QPoint(m_combo->width() - 8, 8)); }
    void ClickEntry(const char* name) {
        CCheckComboTree* tree = m_combo->Tree();
        auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << name;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(found[0]).center());
        QCoreApplication::processEvents();
    }

    QWidget m_window;
    CCheckComboBox* m_combo = nullptr;
    QPushButton* m_other = nullptr;
    std::vector<bool> m_openAtCallback;
};

TEST_F(CheckComboTest, ClickSequencesBuildTheTextAndTheOpenPopUpIsDrawn) {
    ClickCombo();
    ASSERT_TRUE(m_combo->IsDroppedDown());
    // The refresh ran before the drop-down opened, and filled the tree.
    EXPECT_EQ(m_openAtCallback, std::vector<bool>{false});
    CCheckComboTree* tree = m_combo->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->Root()->text(0), "*(All Worksheets)");
    EXPECT_EQ(tree->Root()->childCount(), 12);
    EXPECT_EQ(tree->Root()->child(11)->data(0, Qt::UserRole).toInt(), 12);
    // Under the combo, as wide as it, 400 pixels high.
    EXPECT_EQ(tree->geometry(), QRect(m_combo->mapToGlobal(QPoint(0, m_combo->height())),
                                      QSize(m_combo->width(), 400)));

    struct Step {
        const char* click;
        const char* text;
    };
    const Step steps[] = {
        {"January", "January"},
        {"Jan", "January;Jan"},  // a whole name, though "January" holds it
        {"January", "January;Jan"},
        {"Notes", "January;Jan;Notes"},
        {"*(All Worksheets)", "*(All Worksheets)"},
        {"March", "March"},
    };
    for (const Step& step : steps) {
        ClickEntry(step.click);
        EXPECT_EQ(m_combo->GetText(), step.text) << step.click;
        EXPECT_TRUE(m_combo->IsDroppedDown()) << step.click;
    }
    // The open pop-up drawn over the window, as a screen shows it.
    tree->setCurrentItem(tree->findItems("March", Qt::MatchExactly | Qt::MatchRecursive)[0]);
    QImage shot = m_window.grab().toImage();
    QPainter painter(&shot);
    painter.drawPixmap(m_window.mapFromGlobal(tree->pos()), tree->grab());
    painter.end();
    EXPECT_TRUE(shot.save(ScreenshotFolder() + "/check_combo_open.png"));
    // Empty space below the last item closes the pop-up.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      QPoint(20, tree->viewport()->height() - 5));
    EXPECT_FALSE(m_combo->IsDroppedDown());
    EXPECT_EQ(m_combo->GetText(), "March");
}

TEST_F(CheckComboTest, OutsideClicksClose) {
    ClickCombo();
    ASSERT_TRUE(m_combo->IsDroppedDown());
    ClickAt(m_other, m_other->rect().center());
    EXPECT_FALSE(m_combo->IsDroppedDown());
    // A click on the combo itself closes the pop-up without opening it again.
    ClickCombo();
    ASSERT_TRUE(m_combo->IsDroppedDown());
    ClickCombo();
    EXPECT_FALSE(m_combo->IsDroppedDown());
    EXPECT_EQ(m_openAtCallback, (std::vector<bool>{false, false}));
}

TEST_F(CheckComboTest, ParentsAddTheirChildrenAndSingleChoiceReplaces) {
    m_combo->m_pfnOnClick = nullptr;
    m_combo->RemoveAllEntries();
    m_combo->AddEntry("Book1", 2, 1);
    m_combo->AddEntry("North", 2, 2);
    m_combo->AddEntry("South", 2, 2);
    m_combo->AddEntry("Book2", 2, 1);
    EXPECT_EQ(m_combo->Entries().size(), 5u);
    EXPECT_EQ(m_combo->Entries()[0].m_nLevel, 0);
    EXPECT_EQ(m_combo->MaxLevel(), 2);
    m_combo->RebuildTree();
    m_combo->Tree()->expandAll();
    ClickCombo();
    ClickEntry("Book1");
    EXPECT_EQ(m_combo->GetText(), "North;South");
    ClickEntry("South");
    EXPECT_EQ(m_combo->GetText(), "North;South");
    m_combo->m_bSingleChoice = 1;
    ClickEntry("Book2");
    EXPECT_EQ(m_combo->GetText(), "Book2");
    EXPECT_FALSE(m_combo->IsDroppedDown());
}

TEST_F(CheckComboTest, KeyboardTogglesAndEdits) {
    m_combo->setFocus();
    m_combo->SetText("");
    struct Step {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool open;
    };
    const Step steps[] = {
        {Qt::Key_F4, Qt::NoModifier, true},    {Qt::Key_Escape, Qt::NoModifier, false},
        {Qt::Key_Down, Qt::AltModifier, true}, {Qt::Key_Up, Qt::AltModifier, false},
        {Qt::Key_Down, Qt::NoModifier, false}, {Qt::Key_Up, Qt::NoModifier, false},
    };
    for (const Step& step : steps) {
        QWidget* target = m_combo->IsDroppedDown() ? static_cast<QWidget*>(m_combo->Tree())
                                                   : static_cast<QWidget*>(m_combo);
        QTest::keyClick(target, static_cast<Qt::Key>(step.key), step.modifiers);
        EXPECT_EQ(m_combo->IsDroppedDown(), step.open) << step.key;
    }
    // Other keys go to the editor, the blank of a worksheet name included.
    QTest::keyClicks(m_combo, "Sheet 1");
    EXPECT_EQ(m_combo->GetText(), "Sheet 1");
    EXPECT_EQ(m_combo->toolTip(), "Sheet 1");
    // Return in the pop-up picks the current item, as a click does.
    QTest::keyClick(m_combo, Qt::Key_F4);
    ASSERT_TRUE(m_combo->IsDroppedDown());
    m_combo->Tree()->setCurrentItem(m_combo->Tree()->Root());
    QTest::keyClick(m_combo->Tree(), Qt::Key_Return);
    EXPECT_EQ(m_combo->GetText(), "*(All Worksheets)");
}

TEST_F(CheckComboTest, TooltipShowsTheTextCutAndWrapped) {
    CString longText;
    while (longText.GetLength() < 1200)
        longText += "Worksheet;";
    longText = longText.Left(1200);
    struct Case {
        CString text;
        CString tip;
    };
    const Case cases[] = {
        {"Jan;Feb", "Jan;Feb"},
        {longText.Left(1000), longText.Left(1000)},
        {longText.Left(1001), longText.Left(997) + "..."},
        {longText, longText.Left(997) + "..."},
    };
    const QFontMetrics metrics(QToolTip::font());
    for (const Case& c : cases) {
        m_combo->SetText(c.text);
        EXPECT_EQ(m_combo->TipText(), c.tip) << c.text.GetLength();
        const QStringList lines = m_combo->toolTip().split('\n');
        EXPECT_EQ(lines.join(""), QString::fromUtf8(c.tip.GetString()));
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), CCheckComboBox::kTipMaxWidth)
                << line.toStdString();
    }
    // No tooltip while the pop-up is open; the text again once closed.
    ClickCombo();
    EXPECT_TRUE(m_combo->toolTip().isEmpty());
    QTest::keyClick(m_combo->Tree(), Qt::Key_Escape);
    EXPECT_EQ(m_combo->TipText(), longText.Left(997) + "...");
}

}  // namespace
