#pragma once

#include "station/gate_window.h"
#include "support/start_folder.h"
#include "widgets/prompts.h"

#include <QCoreApplication>
#include <QPushButton>
#include <memory>

// A station started on a standard folder (no devices), for tests that drive
// the window by its controls' names.
struct WindowProbe {
    StartFolder folder;
    std::unique_ptr<GateWindow> w;
    QStringList startMessages; // the message boxes start-up showed

    explicit WindowProbe(const std::function<void(StartFolder &)> &prepare = {})
    {
        folder.makeStandard();
        if (prepare)
            prepare(folder);
        folder.enter();
        w = std::make_unique<GateWindow>();
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
};
