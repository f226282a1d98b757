#include "cli/command_line.h"

#include "core/transfer/redirect_rule.h"

#include <QSet>

namespace {

const QString kUsage
    = QStringLiteral("使い方: tobrell [URL]\n"
                     "        tobrell --head [--raw] [--timing] [--location] [--cert] [--check]\n"
                     "                [--http2 | --http1.1] [--referer 文字列 | --auto-referer]\n"
                     "                [--json] URL\n"
                     "        tobrell --head [--timing] [--location] [--check] [--referer 文字列 |\n"
                     "                --auto-referer] [--http2 | --http1.1] [--parallel N]\n"
                     "                [--json | --csv] [--list ファイル] [URL ...]\n"
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
        } else if (argument == u"--http2" || argument == u"--http1.1") {
            headOption(nullptr);
            head.http2 = argument == u"--http2";
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
        } else if (argument == u"--json") {
            headOption(&head.json);
        } else if (argument == u"--csv") {
            headOption(&head.csv);
        } else if (argument == u"--list" || argument == u"--parallel" || argument.startsWith(u"--list=")
            || argument.startsWith(u"--parallel=")) {
            const qsizetype equals = argument.indexOf(u'=');
            const QString name = argument.first(equals < 0 ? argument.size() : equals);
            if (equals < 0 && i + 1 == arguments.size())
                return Bad(name + QStringLiteral(" の後に値がありません。"));
            const QString value = equals < 0 ? arguments[++i] : argument.sliced(equals + 1);
            headOption(nullptr);
            if (name == u"--list") {
                head.list = value;
                continue;
            }
            bool number = false;
            head.parallel = value.toInt(&number);
            if (!number || head.parallel < 1 || head.parallel > bulk::kMostParallel)
                return Bad(QStringLiteral("--parallel には 1 から %1 までの数を指定します。")
                               .arg(bulk::kMostParallel));
        } else if (const QString qt = QtOptionName(argument); !qt.isEmpty()) {
            if (kQtOptionsWithValue.contains(qt) && !argument.contains(u'='))
                ++i;
        } else {
            return Bad(QStringLiteral("不明なオプションです: ") + argument);
        }
    }
    const QString address = addresses.value(0);
    if (!wantsHead) {
        if (addresses.size() > 1)
            return Bad(QStringLiteral("URL は一つだけ指定できます。"));
        if (!headOnly.isEmpty())
            return Bad(headOnly + QStringLiteral(" は --head と一緒に使います。"));
        line.startAddress = address;
        return line;
    }
    if (addresses.isEmpty() && head.list.isEmpty())
        return Bad(QStringLiteral("--head の後に URL がありません。"));
    if (head.json && head.csv)
        return Bad(QStringLiteral("--json と --csv は一緒に使えません。"));
    line.request = StartRequest::Head;
    head.address = address;
    head.addresses = addresses;
    // The diagnosis has no place in a line of the list or a row of the CSV.
    if (head.check && head.bulk() && !head.json)
        return Bad(QStringLiteral("一括チェックでは、--check は --json と一緒にだけ使えます。"));
    return line;
}

QString HelpText()
{
    return kUsage
        + QStringLiteral(
            "\n"
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
            "  --http2          https で HTTP/2 を申し出る (サーバが応じなければ\n"
            "                   HTTP/1.1、http は常に HTTP/1.1)\n"
            "  --http1.1        HTTP/1.1 だけを使う (既定)\n"
            "  --check          最後の応答のヘッダを診断し、セキュリティ評価と、\n"
            "                   キャッシュ・セキュリティなどの指摘を根拠の RFC とともに書く。\n"
            "                   評価は Mozilla HTTP Observatory の加減点による。CSP の読み方は\n"
            "                   それより単純で、有効なポリシーをすべてまとめ (同じ指示は最初の\n"
            "                   もの)、script-src と object-src の *・http:・https:・data:・\n"
            "                   ワイルドカードのホストを unsafe-inline と、http: と ftp: を安全で\n"
            "                   ない読み込みと数え、指示の無い CSP は無効とする\n"
            "  --referer 文字列 Referer を送る\n"
            "  --auto-referer   ウィンドウの「リファラ自動」と同じく URL のフォルダを\n"
            "                   Referer にする\n"
            "  --json           テキストの代わりに JSON オブジェクトを一行で書く (URL、\n"
            "                   応答ごとの URL・状態・版・ヘッダ・表示・接続先・時刻・証明書)\n"
            "URL が二つ以上か、--list、--csv、--json のときは一括チェックです。各 URL に\n"
            "HEAD を送り、結果を指定の順に一行ずつ書きます (状態、たどった連なり、\n"
            "合計ミリ秒、URL、行き先、失敗なら「失敗」と理由。理由は標準エラー出力にも)。\n"
            "  --list ファイル  一行に一つの URL (- は標準入力、空行と # の行は飛ばす)\n"
            "  --parallel N     同時に送る要求の数 (既定 %2、最大 %3)。接続は再利用する\n"
            "  --csv            CSV で書く (BOM 付き UTF-8)\n"
            "Ctrl+C (SIGINT) か SIGTERM では、終わった分を書いて 130 か 143 で終わります。\n"
            "終了状態: 0 応答を受け取った (状態コードによらない)、1 要求が失敗した\n"
            "(理由を標準エラー出力に書く)、リダイレクトをたどらなかった、出力を\n"
            "書けなかった、または一括チェックで失敗した URL があった、2 使い方か URL\n"
            "の誤り、またはリストを読めなかった。\n"
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
            "server certificate, --http2 offers HTTP/2 over https (HTTP/1.1 when the\n"
            "server does not take it, and always over http; --http1.1, the default,\n"
            "speaks HTTP/1.1 only), --check adds a diagnosis of the last answer's\n"
            "headers (a security grade and score, findings on caching, security, cookies\n"
            "and more, each with its RFC section; with --json, as \"findings\" and\n"
            "\"security\"; the grade uses the Mozilla HTTP Observatory's modifiers, with\n"
            "a simpler reading of CSP: every enforced policy merged, the first of a\n"
            "directive counting, *, http:, https:, data: or a wildcard host in\n"
            "script-src or object-src counted as unsafe-inline, http: and ftp: sources\n"
            "as insecure, a policy without directives as invalid), --referer and --auto-referer set the "
            "Referer, --json\n"
            "prints one JSON object instead. With two or more URLs, --list FILE (one\n"
            "URL a line, - for stdin), --csv or --json, it is the bulk check: HEAD for\n"
            "each, --parallel N at once (default %2, at most %3) on kept-alive\n"
            "connections, one line per URL in the order given (status chain, total ms,\n"
            "URL, where it ended, the reason of a failure), JSON Lines or CSV (UTF-8\n"
            "with a byte order mark); SIGINT or SIGTERM print what finished and exit\n"
            "130 or 143. Every\n"
            "control character but TAB that the server sent is printed as \\x and two\n"
            "hex digits (ESC as \\x1b), as in the header box, so that it cannot act on\n"
            "the terminal. Exit status: 0 a response arrived, 1 the request failed (the\n"
            "reason on stderr), a redirect was not followed or the output could not be\n"
            "written, or an address of the bulk check failed, 2 bad usage or a list\n"
            "that cannot be read.\n")
              .arg(redirect::kMostHops)
              .arg(bulk::kDefaultParallel)
              .arg(bulk::kMostParallel);
}

QString UsageText(const QString &problem)
{
    return QStringLiteral("tobrell: ") + problem + u'\n' + kUsage;
}
