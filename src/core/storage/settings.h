#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The window's settings as kept in settei.ini: what is read at start and
// what is written at close.
namespace settings {

// What LoadSettings found. An empty optional means "nothing usable": the
// key is missing or its value does not convert.
struct Settings {
    std::optional<qint32> top; // window position, in twips
    std::optional<qint32> left;
    // Check box values 0 (unticked), 1 (ticked) or 2 (greyed). A value that
    // is not a 16-bit number gives 0; an empty optional (a number other than
    // 0, 1 and 2) means the box keeps its designed state.
    std::optional<int> ref; // automatic Referer
    std::optional<int> clip; // clipboard watch
    std::optional<int> rename; // rename on a name clash
    // Menu check marks; empty: keep the designed state (no mark).
    std::optional<bool> topMost;
    std::optional<bool> tipHint;
    QString url; // the URL box; empty when missing
    std::optional<qint32> countHead;
    std::optional<qint32> countData;
    std::optional<qint32> countFail;
    std::optional<qint32> countCancel;
    // Added later, each in a section of its own: the HTTP/2 switch and the
    // size of the diagnosis dialog, in twips.
    std::optional<bool> http2;
    std::optional<qint32> diagnosisWidth;
    std::optional<qint32> diagnosisHeight;
};

// What SaveSettings writes.
struct SavedState {
    qint32 top = 0; // window position, in twips
    qint32 left = 0;
    int ref = 0; // check box values 0, 1 or 2
    int clip = 0;
    int rename = 0;
    bool topMost = false;
    bool tipHint = false;
    QString url;
    qint32 countHead = 0;
    qint32 countData = 0;
    qint32 countFail = 0;
    qint32 countCancel = 0;
    // Written only when on, or when the file holds the key already.
    bool http2 = false;
    // Written when known: the dialog was opened, or its size read at start.
    std::optional<qint32> diagnosisWidth = std::nullopt;
    std::optional<qint32> diagnosisHeight = std::nullopt;
};

// Reads every key of the settings file at iniPath; a missing file
// gives empty values throughout.
Settings LoadSettings(const QString &iniPath);

// Sets the twelve keys and those of the later sections that SavedState
// asks for, keeping everything else in the file, and replaces
// the file in one step. False when it could not or must not be written; the
// file is then left as it was and *failure says why, in Japanese.
bool SaveSettings(const QString &iniPath, const SavedState &state, QString *failure = nullptr);

} // namespace settings
