#pragma once

#include <QString>
#include <QStringView>

#include <memory>

class QLineEdit;
class QWidget;
class clsToolTip;

namespace hints {

inline constexpr QStringView kRefererHint
    = u"直前の URL でリファラが設定されます。\r\nチェックを外すと手動で設定ができます。";
inline constexpr QStringView kClipboardHint
    = u"URL フォームにフォーカスするだけでクリップボードの中身を貼り付けられます。\r\n"
      u"チェックを外すと何もしません。";
inline constexpr QStringView kRenameHint = u"取得したデータに同名のファイルがあるとリネームします。\r\n"
                                           u"チェックを外すとデータは上書きされます。";
inline constexpr QStringView kStatusHint = u"バージョン情報や主なステータスを表示します。\r\n"
                                           u"Header : ヘッダを取得した回数\r\n"
                                           u"Data : データを取得した回数\r\n"
                                           u"Fail : データ取得に失敗した回数\r\n"
                                           u"Cancel : 現在の接続を中断した回数";
inline constexpr QStringView kURLHelp
    = u"このフォームに URL を入力します。欠けたプロトコルはある程度補完されます。";

// The URL box's hint: "URL: " and the address when it is longer than 55
// UTF-16 code units (of a longer one than 2,000 its start and "…"), then
// the help line when hints are on.
QString URLTipText(const QString &url, bool hintsOn);

} // namespace hints

// The controls that carry hints.
struct HintControls {
    QWidget *Check2; // automatic Referer
    QWidget *Check1; // clipboard watch
    QWidget *Check3; // rename
    QWidget *Frame1; // status frame; the hint also shows over its children
    QLineEdit *Text3; // URL box
};

// The hover hints of the window's controls: one tip window per hinted
// control, showing at once and for ten seconds. hintsOn is the state of the
// hints switch, which the window owns.
class ControlHints {
public:
    explicit ControlHints(const HintControls &controls);
    ~ControlHints();

    // Installs the hints of the three check boxes and the status frame, then
    // rebuilds the URL box's hint.
    void SetToolTips(bool hintsOn);
    // Replaces the URL box's hint with one for its current text.
    void SetURLTip(bool hintsOn);
    // Removes all five hints.
    void ClearToolTips();

private:
    HintControls controls_;
    std::unique_ptr<clsToolTip> objTipReferer;
    std::unique_ptr<clsToolTip> objTipClipboard;
    std::unique_ptr<clsToolTip> objTipRename;
    std::unique_ptr<clsToolTip> objTipStatus;
    std::unique_ptr<clsToolTip> objTipURL;
};
