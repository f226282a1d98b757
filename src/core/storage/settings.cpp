#include "core/storage/settings.h"

#include "core/storage/conversions.h"
#include "core/storage/ini.h"

namespace settings {

namespace {

// Sections and keys, in the order in which a new file lists them.
const QString kPosition = QStringLiteral("Position");
const QString kTop = QStringLiteral("Top");
const QString kLeft = QStringLiteral("Left");
const QString kCheck = QStringLiteral("Check");
const QString kRef = QStringLiteral("Ref");
const QString kClip = QStringLiteral("Clip");
const QString kRename = QStringLiteral("Rename");
const QString kTopMost = QStringLiteral("TopMost");
const QString kTipHint = QStringLiteral("TipHint");
const QString kString = QStringLiteral("String");
const QString kURL = QStringLiteral("URL");
const QString kCounter = QStringLiteral("Counter");
const QString kGetHead = QStringLiteral("GetHead");
const QString kGetChuck = QStringLiteral("GetChuck");
const QString kFailure = QStringLiteral("Failure");
const QString kCancel = QStringLiteral("Cancel");
const QString kProtocol = QStringLiteral("Protocol");
const QString kHttp2 = QStringLiteral("HTTP2");
const QString kDiagnosis = QStringLiteral("Diagnosis");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");

// A check box takes 0, 1 or 2 and refuses other numbers, keeping its state;
// a text that is no number at all leaves 0, which the box does take.
std::optional<int> CheckValue(const QString &text)
{
    const int value = ToInt16(text).value_or(0);
    if (value < 0 || value > 2)
        return std::nullopt;
    return value;
}

QString BooleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

Settings LoadSettings(const QString &iniPath)
{
    const ini::SettingsFile file(iniPath);
    Settings settings;
    settings.top = ToInt32(file.ReadIni(kPosition, kTop));
    settings.left = ToInt32(file.ReadIni(kPosition, kLeft));
    settings.ref = CheckValue(file.ReadIni(kCheck, kRef));
    settings.clip = CheckValue(file.ReadIni(kCheck, kClip));
    settings.rename = CheckValue(file.ReadIni(kCheck, kRename));
    settings.topMost = ToBoolean(file.ReadIni(kCheck, kTopMost));
    settings.tipHint = ToBoolean(file.ReadIni(kCheck, kTipHint));
    settings.url = file.ReadIni(kString, kURL);
    settings.countHead = ToInt32(file.ReadIni(kCounter, kGetHead));
    settings.countData = ToInt32(file.ReadIni(kCounter, kGetChuck));
    settings.countFail = ToInt32(file.ReadIni(kCounter, kFailure));
    settings.countCancel = ToInt32(file.ReadIni(kCounter, kCancel));
    settings.http2 = ToBoolean(file.ReadIni(kProtocol, kHttp2));
    settings.diagnosisWidth = ToInt32(file.ReadIni(kDiagnosis, kWidth));
    settings.diagnosisHeight = ToInt32(file.ReadIni(kDiagnosis, kHeight));
    return settings;
}

bool SaveSettings(const QString &iniPath, const SavedState &state, QString *failure)
{
    ini::SettingsFile file(iniPath);
    file.WriteIni(kPosition, kTop, QString::number(state.top));
    file.WriteIni(kPosition, kLeft, QString::number(state.left));
    file.WriteIni(kCheck, kRef, QString::number(state.ref));
    file.WriteIni(kCheck, kClip, QString::number(state.clip));
    file.WriteIni(kCheck, kRename, QString::number(state.rename));
    file.WriteIni(kCheck, kTopMost, BooleanText(state.topMost));
    file.WriteIni(kCheck, kTipHint, BooleanText(state.tipHint));
    file.WriteIni(kString, kURL, state.url);
    file.WriteIni(kCounter, kGetHead, QString::number(state.countHead));
    file.WriteIni(kCounter, kGetChuck, QString::number(state.countData));
    file.WriteIni(kCounter, kFailure, QString::number(state.countFail));
    file.WriteIni(kCounter, kCancel, QString::number(state.countCancel));
    // The later sections appear only once they hold something, so that the
    // file of someone who never used them stays as it was.
    if (state.http2 || !file.ReadIni(kProtocol, kHttp2).isEmpty())
        file.WriteIni(kProtocol, kHttp2, BooleanText(state.http2));
    if (state.diagnosisWidth && state.diagnosisHeight) {
        file.WriteIni(kDiagnosis, kWidth, QString::number(*state.diagnosisWidth));
        file.WriteIni(kDiagnosis, kHeight, QString::number(*state.diagnosisHeight));
    }
    const QString reason = file.save();
    if (failure)
        *failure = reason;
    return reason.isEmpty();
}

} // namespace settings
