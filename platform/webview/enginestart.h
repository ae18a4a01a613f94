// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <vector>

namespace platform {

// The browser engine starts with the first profile made in this process and
// reads its set-up then, once. While an EngineStart exists, that set-up is
// the panel's: software drawing, and the engine's switches and environment
// (set for that moment only, so that programs started later, such as the
// desktop's calculator, inherit the user's environment as it was).
class EngineStart {
public:
    EngineStart();
    ~EngineStart();
    EngineStart(const EngineStart&) = delete;
    EngineStart& operator=(const EngineStart&) = delete;

    // Whether the engine may run the pages in this process (--single-process).
    bool pagesInProgram() const { return m_pagesInProgram; }

private:
    void setEnvironment(const char* name, const QByteArray& value);

    struct Saved {
        const char* name;
        bool wasSet;
        QByteArray value;
    };
    std::vector<Saved> m_saved;
    bool m_pagesInProgram = false;
};

} // namespace platform
