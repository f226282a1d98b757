#pragma once

#include "gui/message_box.h"

#include <QList>
#include <QString>

#include <functional>

// Records the window's message boxes instead of showing them; a box "closes"
// at once, after the optional onShow hook has run.
class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        QString title;
        QString text;
    };

    void show(const QString &title, const QString &text, Icon) override
    {
        shown.append({title, text});
        if (onShow)
            onShow(shown.last());
    }

    QStringList texts() const
    {
        QStringList result;
        for (const Box &box : shown)
            result.append(box.text);
        return result;
    }

    QList<Box> shown;
    std::function<void(const Box &)> onShow;
};
