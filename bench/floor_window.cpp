// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-floor-window: the least a Qt Widgets window like the query window costs: the same size,
// title and Chinese texts on the same kinds of widgets, and nothing else.

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace {

template <typename Widget>
Widget *place(QWidget *parent, const char *text, int x, int y, int width, int height)
{
    auto *widget = new Widget(QString::fromUtf8(text), parent);
    widget->setGeometry(x, y, width, height);
    return widget;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QString::fromUtf8("TolvaneQQ在线状态查询"));
    window.setFixedSize(272, 191);
    place<QLabel>(&window, "不用登就知道好友是否在线！ 不用加为好友就能和她聊天！", 64, 20, 173, 33)
        ->setWordWrap(true);
    place<QLabel>(&window, "对方号码： ", 12, 68, 61, 13);
    auto *number = new QComboBox(&window);
    number->setEditable(true);
    number->setGeometry(72, 64, 89, 20);
    place<QPushButton>(&window, "查询", 176, 64, 89, 25);
    place<QPushButton>(&window, "留言", 176, 96, 89, 25);
    place<QPushButton>(&window, "访问主页", 176, 128, 89, 25);
    place<QPushButton>(&window, "退出", 176, 160, 89, 25);
    auto *frame = place<QGroupBox>(&window, "状态", 12, 88, 153, 93);
    place<QLabel>(frame, "等待查询任务", 8, 16, 137, 17);
    window.show();
    return app.exec();
}
