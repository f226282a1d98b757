#include "gui/control_hints.h"

#include "gui/cls_tooltip.h"

#include <QLineEdit>

#include <algorithm>

namespace {

constexpr qint32 kToolKey = 1;
constexpr qint32 kMaxWidth = 1024;
constexpr qint32 kInitialTime = 0;
constexpr qint32 kAutoPopTime = 10000;
constexpr qint32 kMargin = 5;
// Addresses up to this length are read in the box itself.
constexpr qsizetype kLongestUnhintedURL = 55;
// The hint shows no more of an address: a tip of tens of thousands of
// characters would fill the screen and take seconds to lay out.
constexpr qsizetype kLongestHintedURL = 2000;

// Replaces tip (destroying its window) by a new hint on the whole control.
// A control that cannot take a hint simply shows none.
void installHint(std::unique_ptr<clsToolTip> &tip, QWidget *control, const QString &text)
{
    tip = std::make_unique<clsToolTip>();
    tip->mCreate(control);
    tip->mToolAdd(kToolKey, text, 0, 0, 0, 0);
    tip->pMaxWidth(kMaxWidth);
    tip->pInitialTime(kInitialTime);
    tip->pMarginLeft(kMargin);
    tip->pMarginTop(kMargin);
    tip->pMarginRight(kMargin);
    tip->pMarginBottom(kMargin);
    tip->pAutoPopTime(kAutoPopTime);
}

} // namespace

QString hints::URLTipText(const QString &url, bool hintsOn)
{
    const bool showURL = url.size() > kLongestUnhintedURL;
    QString text;
    if (showURL) {
        qsizetype shown = std::min(url.size(), kLongestHintedURL);
        // Cut between two characters, not inside a surrogate pair.
        if (shown < url.size() && url.at(shown - 1).isHighSurrogate())
            --shown;
        text = QStringLiteral("URL: ") + url.left(shown);
        if (shown < url.size())
            text += QChar(0x2026); // "…"
    }
    if (hintsOn) {
        if (showURL)
            text += QStringLiteral("\r\n");
        text += kURLHelp;
    }
    return text;
}

ControlHints::ControlHints(const HintControls &controls) : controls_(controls)
{
}

ControlHints::~ControlHints() = default;

void ControlHints::SetToolTips(bool hintsOn)
{
    installHint(objTipReferer, controls_.Check2, hints::kRefererHint.toString());
    installHint(objTipClipboard, controls_.Check1, hints::kClipboardHint.toString());
    installHint(objTipRename, controls_.Check3, hints::kRenameHint.toString());
    installHint(objTipStatus, controls_.Frame1, hints::kStatusHint.toString());
    SetURLTip(hintsOn);
}

void ControlHints::SetURLTip(bool hintsOn)
{
    installHint(objTipURL, controls_.Text3, QString());
    objTipURL->pToolText(kToolKey, hints::URLTipText(controls_.Text3->text(), hintsOn));
}

void ControlHints::ClearToolTips()
{
    objTipReferer.reset();
    objTipClipboard.reset();
    objTipRename.reset();
    objTipStatus.reset();
    objTipURL.reset();
}
