#include "ipsetting/ip_address_edit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QStringList>
#include <QValidator>
#include <utility>

namespace {

constexpr int kMaxOctet = 255;
constexpr int kOctetDigits = 3;

// Digits only, at most three, at most 255. A blank box is acceptable: it reads as 0.
class OctetValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.isEmpty()) return Acceptable;
        if (input.size() > kOctetDigits) return Invalid;
        for (const QChar c : input)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
        return input.toInt() <= kMaxOctet ? Acceptable : Invalid;
    }
};

bool isDigitKey(const QKeyEvent* event) {
    const QString text = event->text();
    return text.size() == 1 && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

// The standard menu's paste entry. Some Qt versions name it; the others show
// the paste shortcut after a tab, in every language.
bool isPasteAction(const QAction* action) {
    if (action->objectName() == QLatin1String("edit-paste")) return true;
    const QString shortcut = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    return !shortcut.isEmpty() && action->text().endsWith(QLatin1Char('\t') + shortcut);
}

}  // namespace

// One octet: a frameless line edit that hands the keys which move between
// octets, and pasted dotted addresses, to its field.
class IpAddressEdit::OctetBox : public QLineEdit {
public:
    OctetBox(IpAddressEdit* field, QWidget* parent) : QLineEdit(parent), field_(field) {
        setFrame(false);
        setAlignment(Qt::AlignCenter);
        setValidator(new OctetValidator(this));
        setAcceptDrops(false);
        const QFontMetrics metrics(font());
        setFixedWidth(metrics.horizontalAdvance(QStringLiteral("0000")) + 2);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int index = field_->indexOf(this);
        if (event->matches(QKeySequence::Paste)) {
            pasteFrom(QApplication::clipboard()->text(QClipboard::Clipboard));
            return;
        }
        // The "." typed after an octet that moved on by itself belongs to
        // that octet: "192.168.0.1" typed whole fills the four boxes.
        const bool advanced = std::exchange(arrivedByAdvance_, false);
        const QString text = event->text();
        if (text == QLatin1String(".") || text == QLatin1String(" ")) {
            if (!advanced) field_->enterBox(index + 1, false, true);
            return;
        }
        const bool noSelection = !hasSelectedText();
        if (event->key() == Qt::Key_Backspace && noSelection && cursorPosition() == 0) {
            field_->enterBox(index - 1, true);
            return;
        }
        if (event->key() == Qt::Key_Left && event->modifiers() == Qt::NoModifier && noSelection &&
            cursorPosition() == 0) {
            field_->enterBox(index - 1, true);
            return;
        }
        if (event->key() == Qt::Key_Right && event->modifiers() == Qt::NoModifier && noSelection &&
            cursorPosition() == this->text().size()) {
            field_->enterBox(index + 1, false);
            return;
        }
        QLineEdit::keyPressEvent(event);
        // A third digit completes the octet, as in the platform's own field.
        if (isDigitKey(event) && this->text().size() == kOctetDigits && cursorPosition() == kOctetDigits &&
            index + 1 < kOctets) {
            field_->enterBox(index + 1, false, true);
            static_cast<OctetBox*>(field_->octetBox(index + 1))->arrivedByAdvance_ = true;
        }
    }

    void focusOutEvent(QFocusEvent* event) override {
        arrivedByAdvance_ = false;
        QLineEdit::focusOutEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu* menu = createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (QAction* action : menu->actions()) {
            if (!isPasteAction(action)) continue;
            action->disconnect();
            connect(action, &QAction::triggered, this,
                    [this] { pasteFrom(QApplication::clipboard()->text(QClipboard::Clipboard)); });
        }
        menu->popup(event->globalPos());
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        // The X11 selection pasted with the middle button.
        if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
            pasteFrom(QApplication::clipboard()->text(QClipboard::Selection));
            return;
        }
        QLineEdit::mouseReleaseEvent(event);
    }

private:
    void pasteFrom(const QString& text) {
        if (text.contains(QLatin1Char('.'))) {
            if (!field_->pasteAddress(text)) QApplication::beep();
            return;
        }
        insert(text.trimmed());  // the validator refuses what is no octet
    }

    IpAddressEdit* field_;
    bool arrivedByAdvance_ = false;
};

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    // Drawn as one line edit, the boxes and dots inside it.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(0);
    for (int i = 0; i < kOctets; ++i) {
        auto* box = new OctetBox(this, this);
        boxes_[static_cast<std::size_t>(i)] = box;
        // Tab stops at the first box only, so that Tab and Shift+Tab pass over
        // the field as a whole; the others are reached by clicking or by the
        // keys that move between octets.
        box->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        row->addWidget(box);
        if (i + 1 < kOctets) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            row->addWidget(dot);
        }
    }
    setFocusProxy(boxes_.front());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

bool IpAddressEdit::focusNextPrevChild(bool next) {
    // Going back from a later box starts from the first, the field's only tab
    // stop, so that the walk leaves the field instead of landing on it.
    if (!next && boxes_.front()->isVisible()) boxes_.front()->setFocus(Qt::BacktabFocusReason);
    return QFrame::focusNextPrevChild(next);
}

int IpAddressEdit::indexOf(const QLineEdit* box) const {
    for (int i = 0; i < kOctets; ++i)
        if (boxes_[static_cast<std::size_t>(i)] == box) return i;
    return -1;
}

void IpAddressEdit::enterBox(int index, bool atEnd, bool selectAll) {
    if (index < 0 || index >= kOctets) return;
    QLineEdit* box = octetBox(index);
    box->setFocus(Qt::OtherFocusReason);
    if (selectAll) {
        box->selectAll();
    } else {
        box->deselect();
        box->setCursorPosition(atEnd ? static_cast<int>(box->text().size()) : 0);
    }
}

norvik::Ipv4 IpAddressEdit::address() const {
    norvik::Ipv4 address{};
    for (std::size_t i = 0; i < address.size(); ++i)
        address[i] = static_cast<uint8_t>(boxes_[i]->text().isEmpty() ? 0 : boxes_[i]->text().toInt());
    return address;
}

void IpAddressEdit::setAddress(const norvik::Ipv4& address) {
    for (std::size_t i = 0; i < address.size(); ++i) boxes_[i]->setText(QString::number(address[i]));
}

void IpAddressEdit::clear() {
    for (QLineEdit* box : boxes_) box->clear();
}

bool IpAddressEdit::isBlank() const {
    for (const QLineEdit* box : boxes_)
        if (!box->text().isEmpty()) return false;
    return true;
}

void IpAddressEdit::setLabel(const QString& label) {
    setAccessibleName(label);
    for (int i = 0; i < kOctets; ++i)
        octetBox(i)->setAccessibleName(label + QStringLiteral(" octet ") + QString::number(i + 1));
}

bool IpAddressEdit::pasteAddress(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() > kOctets) return false;
    const OctetValidator check;
    for (QString part : parts) {
        int at = 0;
        if (check.validate(part, at) != QValidator::Acceptable) return false;
    }
    for (int i = 0; i < kOctets; ++i) {
        QLineEdit* box = octetBox(i);
        if (i < parts.size()) {
            box->setText(parts[i]);
        } else {
            box->clear();
        }
    }
    enterBox(static_cast<int>(parts.size()) - 1, true);
    return true;
}
