#include "Main.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TMainForm form;
    form.show();
    app.exec();
    return 0;
}
