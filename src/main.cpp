#include "ui/form1.h"

#include <QApplication>

#include <curl/curl.h>

int main(int argc, char *argv[])
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Tobrell"));
        Form1 form;
        form.show();
        status = QApplication::exec();
    }
    curl_global_cleanup();
    return status;
}
