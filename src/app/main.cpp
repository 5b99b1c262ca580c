// Starts the application, shows the main window and runs the message loop
// until the window is closed.
#include "app/open_file_form.h"
#include "app/scrivlet_application.h"

int main(int argc, char** argv) {
    TScrivletApplication application(argc, argv);
    TFormOpenFile form;
    application.SetErrorReport(&form.Boxes());
    form.show();
    const int result = application.exec();
    application.SetErrorReport(nullptr);
    return result;
}
