// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/webview/engineswitches.h"

namespace platform {
namespace {

// The engine keeps only the last of a switch given twice: a feature of ours
// goes into the user's own list, if there is one.
void addFeature(QByteArray& switches, const QByteArray& list, const QByteArray& feature)
{
    // "-name=" as well as "--name=": the engine takes either.
    const QByteArray name = '-' + list + '=';
    const qsizetype at = switches.lastIndexOf(name);
    if (at < 0)
        switches += " -" + name + feature;
    else
        switches.insert(at + name.size(), feature + ',');
}

} // namespace

// - A bounded script heap: a page cannot grow its script memory without end;
//   it dies of it instead, and is loaded again a limited number of times.
// - Simplified Chinese for the engine's own texts (form messages, pickers)
//   and the page's locale, whatever the session's, unless the user chose.
// - Sound in the program's own process: a page that plays sound starts no
//   helper process that outlives it, and what it costs counts as the
//   program's, which the watch looks at.
// - No unsandboxed zygote: a helper that only waits to start services the
//   program runs itself (network, sound) costs some 10 MB.
QByteArray engineSwitches(const QByteArray& user)
{
    QByteArray switches = user.trimmed();
    switches += " --js-flags=--max-old-space-size=64";
    if (!switches.contains("--lang="))
        switches += " --lang=zh-CN";
    addFeature(switches, "disable-features", "AudioServiceOutOfProcess");
    switches += " --no-unsandboxed-zygote";
    return switches.trimmed();
}

bool switchesRunPagesInProgram(const QByteArray& switches)
{
    return switches.contains("single-process");
}

} // namespace platform
