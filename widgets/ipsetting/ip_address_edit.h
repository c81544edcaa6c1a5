#pragma once
// An IP-address field: four octet boxes in one frame, as the windowing
// system's address control offers them. Each box takes digits for 0 to 255;
// "." or Space moves on to the next box, as does a third digit; Backspace at
// the start of a box goes back to the one before; a dotted address pasted into
// any box fills all four. A blank octet reads as 0, a blank field as 0.0.0.0.
// Tab leaves the field as a whole.

#include <QFrame>
#include <array>

#include "ipsetting/ip_setting.h"

class QLineEdit;

class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    norvik::Ipv4 address() const;
    void setAddress(const norvik::Ipv4& address);
    void clear();
    bool isBlank() const;

    // The label the field is shown with: its accessible name, and with
    // " octet 1" to " octet 4" the names of its boxes.
    void setLabel(const QString& label);

    // Fills the boxes from a dotted address ("10.1.2.3"; fewer parts leave the
    // last boxes blank). Text that is no such address changes nothing and
    // returns false.
    bool pasteAddress(const QString& text);

    QLineEdit* octetBox(int index) const { return boxes_.at(static_cast<std::size_t>(index)); }
    static constexpr int kOctets = 4;

protected:
    bool focusNextPrevChild(bool next) override;

private:
    class OctetBox;
    // Moves the caret to the box `index` (at its end or its start); no box
    // beyond the first or last.
    void enterBox(int index, bool atEnd, bool selectAll = false);
    int indexOf(const QLineEdit* box) const;

    std::array<QLineEdit*, kOctets> boxes_{};
};
