#include "gui/program_icon.h"

QIcon ProgramIcon()
{
    // The images are compiled into the static core library; naming its
    // resource here makes the linker keep them and registers them once.
    Q_INIT_RESOURCE(tobrell);
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/tobrell-%1.png").arg(size), QSize(size, size));
    return icon;
}
