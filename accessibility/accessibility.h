// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QAccessible>
#include <QWidget>

// What a screen reader is told about the windows, where Qt's own account falls short: Qt reports
// a top-level QWidget as a mere filler, reads a decoration as a nameless picture, and tells of a
// label's new text only by a name change, which screen readers drop for labels (Orca: "Ignoring
// event type due to role"). Qt 6.8 brought announcements to say it instead; before it, only a
// notification that appears is spoken unasked.
namespace accessibility {

// From now on the widget is reported in this role.
void setRole(QWidget *widget, QAccessible::Role role);

// Leaves the decoration out of what its parent holds for a screen reader, as a web page's
// presentational picture is. Its parent's role must have been set with setRole.
void leaveOut(QWidget *decoration);

// Has the text of an alert's label said each time the alert is shown, where Qt can announce it. A
// screen reader reads an alert's labels out with it, but Orca 48 speaks the alert before Qt 6.8
// has told it of its label's text, so the text would go unsaid.
void readOutWhenShown(QWidget *alert, QWidget *label);

// Has a screen reader speak a control's new text, wherever the focus is: as an announcement of the
// control where Qt has them, otherwise as a notification, which screen readers speak as soon as it
// appears. The control itself cannot be the notification, as it is shown again with its window
// whenever the window comes back and would be spoken then too. So the notification is a child of
// the control that is never shown on the screen, and appears to a screen reader only when it
// announces.
class Announcer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Announcer)

public:
    explicit Announcer(QWidget *control);

    // Nothing is said while the control is not shown.
    void announce(const QString &text);
};

} // namespace accessibility
