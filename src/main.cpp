#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velto"));
    QLabel label(QStringLiteral("Velto"));
    label.show();
    return app.exec();
}
