#pragma once

#include <QWidget>

namespace tessaforge {

// A control of its own laid over a picture that answers the mouse: the corner square between
// two scroll bars, a strip of check boxes. Presses, double-clicks, drags and wheel turns on it,
// or on a label inside it, end here and never reach the picture behind it.
class Panel final : public QWidget
{
public:
    explicit Panel(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_NoMousePropagation); }
};

} // namespace tessaforge
