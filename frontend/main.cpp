#include <QApplication>

#include "resources/VornStyle.h"
#include "run/MainFrm.h"
#include "util/EnvironmentScript.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setStyleSheet(VornStyleSheet());
    const TEnvironmentScript script = EnvironmentScript();
    TFormServices services;
    services.Message = script.Message.get();
    services.Shell = script.Shell.get();
    TMainForm form(services, QApplication::arguments().mid(1));
    form.show();
    return QApplication::exec();
}
