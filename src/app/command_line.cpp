#include "app/command_line.h"

#include "engine/version.h"

#include <cstring>

StartRequest ReadCommandLine(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return StartRequest::PrintVersion;
        if (std::strcmp(argv[i], "--help") == 0)
            return StartRequest::PrintHelp;
    }
    return StartRequest::OpenWindow;
}

QString VersionLine()
{
    return QStringLiteral("Tobrell ver %1 %2").arg(QLatin1String(tobrell::kVersion), QLatin1String(tobrell::kVersionDate));
}

QString HelpText()
{
    return QStringLiteral(
        "使い方: tobrell [--help | --version]\n"
        "Web アドレスの HTTP 応答ヘッダを日本語の説明付きで表示し、その内容を\n"
        "ダウンロードするウィンドウを開きます。--version は版を、--help はこの\n"
        "説明を表示して終わります。詳しくはウィンドウの右クリックメニューの\n"
        "「ヘルプ」を見てください。\n"
        "\n"
        "Usage: tobrell [--help | --version]\n"
        "Opens a window that shows the HTTP response headers of a web address\n"
        "with Japanese labels and downloads the resource. --version prints the\n"
        "version and --help this text; both exit without opening the window.\n"
        "For more, choose ヘルプ (help) in the window's right-click menu.\n");
}
