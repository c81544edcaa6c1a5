// The IP-address field: typing, pasting, blanks and the keys that move between octets.

#include "ipsetting/ip_address_edit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/window_recorders.h"

namespace norvik {
namespace {

std::string dotted(const Ipv4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

class IpAddressEditTest : public ::testing::Test {
protected:
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    IpAddressEdit* field = new IpAddressEdit;
    QLineEdit* after = new QLineEdit;

    void SetUp() override {
        auto* column = new QVBoxLayout(window.get());
        column->addWidget(field);
        column->addWidget(after);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        field->setFocus();
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
    // Keys as the user types them: each goes to whichever box has the focus.
    void type(const QString& keys) {
        for (const QChar c : keys) QTest::keyClick(focused(), c.toLatin1());
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(focused(), k, modifiers); }
    QStringList boxes() const {
        QStringList texts;
        for (int i = 0; i < IpAddressEdit::kOctets; ++i) texts << field->octetBox(i)->text();
        return texts;
    }
};

TEST_F(IpAddressEditTest, typingFillsTheOctetsInTurn) {
    struct Case {
        const char* typed;
        const char* address;
        QStringList boxes;
    };
    const Case cases[] = {
        {"192.168.0.1", "192.168.0.1", {"192", "168", "0", "1"}},
        {"10 1 2 3", "10.1.2.3", {"10", "1", "2", "3"}},
        {"1921680.1", "192.168.0.1", {"192", "168", "0", "1"}},  // a third digit moves on by itself
        {"1a2b.x3", "12.3.0.0", {"12", "3", "", ""}},            // digits only
        {"256.300", "25.30.0.0", {"25", "30", "", ""}},          // no octet above 255
        {"1..2", "1.0.2.0", {"1", "", "2", ""}},                 // a blank octet reads as 0
        {"1.2.3.4.5", "1.2.3.45", {"1", "2", "3", "45"}},        // no box after the last
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed);
        field->clear();
        field->setFocus();
        type(QLatin1String(k.typed));
        EXPECT_EQ(dotted(field->address()), k.address);
        EXPECT_EQ(boxes(), k.boxes);
    }
}

TEST_F(IpAddressEditTest, blankFieldReadsAsZeros) {
    field->setAddress({10, 20, 30, 40});
    EXPECT_FALSE(field->isBlank());
    field->octetBox(2)->clear();
    EXPECT_EQ(dotted(field->address()), "10.20.0.40");
    field->clear();
    EXPECT_TRUE(field->isBlank());
    EXPECT_EQ(dotted(field->address()), "0.0.0.0");
    field->setAddress({0, 0, 0, 0});
    EXPECT_EQ(boxes(), (QStringList{"0", "0", "0", "0"}));
}

TEST_F(IpAddressEditTest, backspaceAtTheStartGoesBackAndThenDeletes) {
    type(QStringLiteral("12.34"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    EXPECT_EQ(focused(), field->octetBox(1));
    key(Qt::Key_Backspace);  // at the start of the second box
    EXPECT_EQ(focused(), field->octetBox(0));
    EXPECT_EQ(field->octetBox(0)->cursorPosition(), 2);
    key(Qt::Key_Backspace);
    EXPECT_EQ(boxes(), (QStringList{"1", "", "", ""}));
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);  // nothing before the first box
    EXPECT_EQ(focused(), field->octetBox(0));
}

TEST_F(IpAddressEditTest, arrowsCrossBoxesAtTheirEdges) {
    field->setAddress({1, 22, 3, 4});
    field->octetBox(1)->setFocus();
    field->octetBox(1)->setCursorPosition(2);
    key(Qt::Key_Right);
    EXPECT_EQ(focused(), field->octetBox(2));
    EXPECT_EQ(field->octetBox(2)->cursorPosition(), 0);
    key(Qt::Key_Left);
    EXPECT_EQ(focused(), field->octetBox(1));
    EXPECT_EQ(field->octetBox(1)->cursorPosition(), 2);
}

TEST_F(IpAddressEditTest, pastingADottedAddressFillsAllFour) {
    struct Case {
        const char* clipboard;
        const char* address;  // after pasting into the third box of 9.9.9.9
    };
    const Case cases[] = {
        {"10.1.2.3", "10.1.2.3"}, {" 172.16.254.1\n", "172.16.254.1"},
        {"10.1", "10.1.0.0"},     {"10.1.2.300", "9.9.9.9"},  // no address: nothing changes
        {"1.2.3.4.5", "9.9.9.9"}, {"a.b.c.d", "9.9.9.9"},
        {"7", "9.9.97.9"},  // no dot: typed into the box, within 255
        {"1234", "9.9.9.9"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.clipboard);
        field->setAddress({9, 9, 9, 9});
        field->octetBox(2)->setFocus();
        field->octetBox(2)->setCursorPosition(1);
        QApplication::clipboard()->setText(QLatin1String(k.clipboard));
        key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(dotted(field->address()), k.address);
    }
}

TEST_F(IpAddressEditTest, contextMenuPasteFillsAllFour) {
    QApplication::clipboard()->setText(QStringLiteral("10.9.8.7"));
    QLineEdit* box = field->octetBox(3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(box, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QString shortcut = QLatin1Char('\t') + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    QAction* paste = nullptr;
    for (QAction* action : menu->actions())
        if (action->objectName() == QLatin1String("edit-paste") || action->text().endsWith(shortcut)) paste = action;
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(dotted(field->address()), "10.9.8.7");
}

TEST_F(IpAddressEditTest, tabLeavesTheFieldAsAWhole) {
    field->setFocus();
    EXPECT_EQ(focused(), field->octetBox(0));
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), after);
    key(Qt::Key_Backtab);
    EXPECT_EQ(focused(), field->octetBox(0));
}

TEST_F(IpAddressEditTest, labelNamesTheFieldAndEachOctet) {
    field->setLabel(QStringLiteral("GATEWAY :"));
    EXPECT_EQ(field->accessibleName(), QStringLiteral("GATEWAY :"));
    for (int i = 0; i < IpAddressEdit::kOctets; ++i)
        EXPECT_EQ(field->octetBox(i)->accessibleName(), QStringLiteral("GATEWAY : octet %1").arg(i + 1));
}

}  // namespace
}  // namespace norvik
