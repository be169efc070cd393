// A platform seam that records message boxes and answers the open-file dialog from a script.
#pragma once

#include "platform_seam.h"

#include <QString>
#include <vector>

struct ShownMessage {
    QString text;
    QString title;
    MsgIcon icon;
    bool operator==(const ShownMessage&) const = default;
};

class CRecordingSeam : public CPlatformSeam {
public:
    CRecordingSeam() { SetSeam(this); }
    ~CRecordingSeam() override { SetSeam(nullptr); }

    void MessageBox(QWidget*, const QString& text, const QString& title, MsgIcon icon) override
    {
        messages.push_back({text, title, icon});
    }
    QString OpenFileDialog(QWidget*, const QString& filter) override
    {
        fileFilters.push_back(filter);
        return chosenFile;
    }
    void StartProgram(const QString&) override {}
    void ExploreFolder(const QString&) override {}

    std::vector<ShownMessage> messages;
    std::vector<QString> fileFilters;
    QString chosenFile;  // what the open-file dialog answers; empty: cancelled
};
