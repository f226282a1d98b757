#include "cli/command_line.h"

#include "cli/redirect_rule.h"

#include <QSet>

namespace {

const QString kUsage
    = QStringLiteral("使い方: tobrell [URL]\n"
                     "        tobrell --head [--raw] [--timing] [--location] [--cert] [--check]\n"
                     "                [--referer 文字列 | --auto-referer] URL\n"
                     "        tobrell --help | --version\n");

// Qt's own options that take a value, in the form "-name value", and those
// that stand alone. Qt also takes them with two dashes.
const QSet<QString> kQtOptionsWithValue = {u"platform"_qs, u"platformpluginpath"_qs, u"platformtheme"_qs,
    u"plugin"_qs, u"qwindowgeometry"_qs, u"geometry"_qs, u"qwindowicon"_qs, u"icon"_qs, u"qwindowtitle"_qs,
    u"title"_qs, u"display"_qs, u"name"_qs, u"session"_qs, u"style"_qs, u"stylesheet"_qs, u"visual"_qs};
const QSet<QString> kQtSwitches
    = {u"reverse"_qs, u"widgetcount"_qs, u"nograb"_qs, u"dograb"_qs, u"sync"_qs, u"testability"_qs};

// The option's name without its dashes when it is one of Qt's.
QString QtOptionName(const QString &argument)
{
    QString name = argument.sliced(argument.startsWith(u"--") ? 2 : 1);
    name = name.left(name.indexOf(u'='));
    return kQtOptionsWithValue.contains(name) || kQtSwitches.contains(name) || name == u"qmljsdebugger"
        ? name
        : QString();
}

CommandLine Bad(const QString &problem)
{
    CommandLine line;
    line.request = StartRequest::BadUsage;
    line.problem = problem;
    return line;
}

} // namespace

CommandLine ReadCommandLine(const QStringList &arguments)
{
    CommandLine line;
    HeadOptions &head = line.head;
    bool wantsHead = false;
    QString headOnly; // the first option that needs --head
    QStringList addresses;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || argument == u"-" || !argument.startsWith(u'-')) {
            addresses << argument;
            continue;
        }
        const auto headOption = [&](bool *option) {
            if (option)
                *option = true;
            if (headOnly.isEmpty())
                headOnly = argument;
        };
        if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--version") {
            line.request = StartRequest::PrintVersion;
            return line;
        } else if (argument == u"--help" || argument == u"-h") {
            line.request = StartRequest::PrintHelp;
            return line;
        } else if (argument == u"--head" || argument == u"-I") {
            wantsHead = true;
        } else if (argument == u"--raw") {
            headOption(&head.raw);
        } else if (argument == u"--timing") {
            headOption(&head.timing);
        } else if (argument == u"--location" || argument == u"-L") {
            headOption(&head.location);
        } else if (argument == u"--cert") {
            headOption(&head.certificate);
        } else if (argument == u"--check") {
            headOption(&head.check);
        } else if (argument == u"--auto-referer") {
            headOption(&head.autoReferer);
        } else if (argument.startsWith(u"--referer=")) {
            headOption(nullptr);
            head.referer = argument.sliced(10);
        } else if (argument == u"--referer") {
            if (i + 1 == arguments.size())
                return Bad(QStringLiteral("--referer の後に Referer の文字列がありません。"));
            headOption(nullptr);
            head.referer = arguments[++i];
        } else if (const QString qt = QtOptionName(argument); !qt.isEmpty()) {
            if (kQtOptionsWithValue.contains(qt) && !argument.contains(u'='))
                ++i;
        } else {
            return Bad(QStringLiteral("不明なオプションです: ") + argument);
        }
    }
    if (addresses.size() > 1)
        return Bad(QStringLiteral("URL は一つだけ指定できます。"));
    const QString address = addresses.value(0);
    if (!wantsHead) {
        if (!headOnly.isEmpty())
            return Bad(headOnly + QStringLiteral(" は --head と一緒に使います。"));
        line.startAddress = address;
        return line;
    }
    if (addresses.isEmpty())
        return Bad(QStringLiteral("--head の後に URL がありません。"));
    line.request = StartRequest::Head;
    head.address = address;
    return line;
}

QString HelpText()
{
    return kUsage
        + QStringLiteral("\n"
                         "--head がなければ、Web アドレスの HTTP 応答ヘッダを日本語の説明付きで表示し、\n"
                         "その内容をダウンロードするウィンドウを開きます。URL を渡すと、それを URL 欄に\n"
                         "入れてヘッダを取得します。詳しくはウィンドウの右クリックメニューの「ヘルプ」を\n"
                         "見てください。\n"
                         "\n"
                         "--head (-I) はウィンドウを開かず、URL に HEAD を送って、応答ヘッダを\n"
                         "ヘッダ欄と同じ表示で標準出力に書きます。ディスプレイは要りません。\n"
                         "端末を操作されないよう、サーバから来た TAB 以外の制御文字は ESC なら \\x1b の\n"
                         "ように \\x と 16 進 2 桁で書きます (ヘッダ欄も同じ)。\n"
                         "  --raw            受け取ったままのヘッダを書く (UTF-8 として正しくない\n"
                         "                   バイトだけを Latin-1 の文字として読む)\n"
                         "  --timing         応答した IP アドレスとポート、名前解決・接続・TLS・\n"
                         "                   最初のバイト・合計の時刻 (要求の開始からのミリ秒)\n"
                         "  --location (-L)  リダイレクトを %1 回までたどり、各応答を順に書く\n"
                         "                   (https から http へはたどらない)\n"
                         "  --cert           https のサーバ証明書のサブジェクト、発行者、有効期間、\n"
                         "                   SHA-256 フィンガープリント\n"
                         "  --check          最後の応答のヘッダを診断し、セキュリティ評価と、\n"
                         "                   キャッシュ・セキュリティなどの指摘を根拠の RFC とともに書く\n"
                         "  --referer 文字列 Referer を送る\n"
                         "  --auto-referer   ウィンドウの「リファラ自動」と同じく URL のフォルダを\n"
                         "                   Referer にする\n"
                         "終了状態: 0 応答を受け取った (状態コードによらない)、1 要求が失敗した\n"
                         "(理由を標準エラー出力に書く)、リダイレクトをたどらなかった、または出力を\n"
                         "書けなかった、2 使い方か URL の誤り。\n"
                         "--version は版を、--help (-h) はこの説明を書いて終わります。\n"
                         "\n"
                         "Usage: as above. Without --head, tobrell opens a window that shows the\n"
                         "HTTP response headers of a web address with Japanese labels and downloads\n"
                         "the resource; a URL given is put into the URL box and its headers are\n"
                         "fetched. --head (-I) opens no window: it sends HEAD and prints the headers\n"
                         "as the window's header box shows them, on stdout, without a display.\n"
                         "--raw prints them as received (a byte that is not valid UTF-8 is read as\n"
                         "the Latin-1 character of its value), --timing adds the address that\n"
                         "answered and the milliseconds from the start to each step, --location\n"
                         "follows up to %1 redirects (never from https to http), --cert adds the\n"
                         "server certificate, --check adds a diagnosis of the last answer's headers\n"
                         "(a security grade and score, findings on caching, security, cookies and\n"
                         "more, each with its RFC section), --referer and --auto-referer set the\n"
                         "Referer. Every control character but TAB that the server sent is printed\n"
                         "as \\x and two hex digits (ESC as \\x1b), as in the header box, so that it\n"
                         "cannot act on the terminal. Exit status: 0 a response arrived, 1 the\n"
                         "request failed (the reason on stderr), a redirect was not followed or the\n"
                         "output could not be written, 2 bad usage.\n")
              .arg(redirect::kMostHops);
}

QString UsageText(const QString &problem)
{
    return QStringLiteral("tobrell: ") + problem + u'\n' + kUsage;
}
