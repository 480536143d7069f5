#pragma once

#include <QWidget>

// The sign-in window shown while no account is signed in.
class AuthWindow : public QWidget {
    Q_OBJECT
public:
    explicit AuthWindow(QWidget *parent = nullptr);
};
