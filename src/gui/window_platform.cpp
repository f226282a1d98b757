#include "gui/window_platform.h"

#include <QRegularExpression>
#include <QtGlobal>

SessionEnvironment CurrentSessionEnvironment()
{
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"),
        qgetenv("DISPLAY")};
}

QByteArray ChooseWindowPlatform(const SessionEnvironment &environment)
{
    // Qt itself treats an empty QT_QPA_PLATFORM as unset.
    const bool wayland = !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (!environment.qtQpaPlatform.isEmpty() || !wayland)
        return QByteArray();
    return environment.display.isEmpty() ? QByteArrayLiteral("wayland") : QByteArrayLiteral("xcb");
}

QString NoWindowText(const QString &qtMessages, const SessionEnvironment &environment)
{
    static const QRegularExpression tried(
        QStringLiteral(R"re(Could not (find|load) the Qt platform plugin "([^"]*)")re"));
    // Given a list of platforms, Qt tries one after another: the last one is told about.
    QRegularExpressionMatch last;
    for (const QRegularExpressionMatch &match : tried.globalMatch(qtMessages))
        last = match;
    const QString plugin = last.captured(2);
    const QString display = QString::fromLocal8Bit(environment.display);
    const QString wayland = environment.waylandDisplay.isEmpty()
        ? u"wayland-0"_qs // libwayland's own default
        : QString::fromLocal8Bit(environment.waylandDisplay);
    QString missing;
    if (last.captured(1) == u"find")
        missing = QStringLiteral("Qt の表示プラグイン「%1」がありません。").arg(plugin);
    else if (plugin.startsWith(u"wayland"))
        missing = QStringLiteral("Wayland の画面「%1」に接続できません。").arg(wayland);
    else if (display.isEmpty())
        missing = QStringLiteral("画面がありません (環境変数 DISPLAY が空です)。");
    else
        missing = QStringLiteral("画面「%1」に接続できません。").arg(display);
    return QStringLiteral("tobrell: ウィンドウを開けませんでした: ") + missing
        + QStringLiteral("\n画面なしでヘッダを見るには: tobrell -I URL\n");
}
