#include "app/AuthWindow.h"

#include <QLabel>
#include <QVBoxLayout>

AuthWindow::AuthWindow(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Sign In"));
    resize(480, 560);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Sign in to your account to start using Velto."), this);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}
