// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Held by the program for its whole run, so that its installer and
// uninstaller can tell that this copy of Zelvan is running and must be
// closed before its files are replaced or removed.
//
// On Windows it is a named mutex, one per program folder:
//   Global\Zelvan-<folder>   (Local\Zelvan-<folder> where Global is refused)
// where <folder> is the folder's identity, not its path: its volume serial
// number and file ID in hex, the same whatever drive letter, short name or
// case the program was started through. The installer and the uninstaller
// build the same name from the folder they work on. Elsewhere nothing is
// needed: a package manager replaces a running program's files safely.

namespace platform {

// Marks this process as a running copy of the program in its folder until
// it ends: the mark is never taken back, the system drops it with the
// process, however it ends.
void markRunning();

} // namespace platform
