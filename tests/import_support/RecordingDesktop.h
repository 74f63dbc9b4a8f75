// A desktop for tests: records every message box, yield, chooser call and progress caption, and
// answers message boxes and the folder chooser with what the test set up.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "import_support/Desktop.h"

struct ShownMessage {
    QString prompt;
    int buttons;
    QString title;
};

class RecordingDesktop : public Desktop {
  public:
    int MsgBox(const QString& prompt, int buttons, const QString& title) override {
        messages.push_back({prompt, buttons, title});
        if (answers.empty())
            return vb::vbOK;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void DoEvents() override {
        ++yields;
        if (onDoEvents)
            onDoEvents();
    }
    QString BrowseForFolder(const QString& title) override {
        browseTitles.append(title);
        return chosenFolder;
    }
    void SetProgressCaption(const QString& caption) override { captions.append(caption); }
    QStringList ChooseFilesToOpen(const QString& filter) override {
        openFilters.append(filter);
        return chosenFiles;
    }
    void SetBusy(bool busy) override { busyChanges.push_back(busy); }
    void OpenDocument(const QString& path) override { openedDocuments.append(path); }
    void EndProgram() override { ++endRequests; }

    std::deque<int> answers;  // answers to the next message boxes, vbOK when empty
    QString chosenFolder;     // what the folder chooser returns
    QStringList chosenFiles;  // what the open-file dialog returns
    std::vector<ShownMessage> messages;
    QStringList browseTitles;
    QStringList captions;
    QStringList openFilters;
    std::vector<bool> busyChanges;
    QStringList openedDocuments;
    int endRequests = 0;
    int yields = 0;
    std::function<void()> onDoEvents;  // runs at every yield, as the message loop would
};
