#pragma once

#include "gate/gate_station.h"
#include "station/gate_window.h"
#include "support/start_folder.h"
#include "widgets/prompts.h"

#include <QCoreApplication>
#include <QListView>
#include <QPushButton>
#include <memory>

// A station and its window on a standard folder (no devices, no status
// server), for tests that drive the window by its controls' names.
struct WindowProbe {
    StartFolder folder;
    std::unique_ptr<GateStation> station;
    std::unique_ptr<GateWindow> w;
    QStringList startMessages; // the message boxes start-up showed

    explicit WindowProbe(const std::function<void(StartFolder &)> &prepare = {})
    {
        folder.makeStandard();
        if (prepare)
            prepare(folder);
        station = std::make_unique<GateStation>(GateStation::Options{folder.path(), QString()});
        w = std::make_unique<GateWindow>(*station);
        station->start();
        QCoreApplication::processEvents();
        startMessages = Prompts::takeMessages();
        Prompts::takeAsked();
    }

    template <class T> T *find(const QString &name) const
    {
        T *child = w->findChild<T *>(name);
        if (!child)
            qFatal("no control %s", qPrintable(name));
        return child;
    }

    void click(const QString &button) const { find<QPushButton>(button)->click(); }

    // The lines the log list shows, in its order.
    QStringList listed() const
    {
        const QAbstractItemModel *model = find<QListView>("lstLog")->model();
        QStringList lines;
        for (int row = 0; row < model->rowCount(); ++row)
            lines << model->index(row, 0).data().toString();
        return lines;
    }
};
