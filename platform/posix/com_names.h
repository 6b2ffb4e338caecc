// Which file a communications device name opens, and the folders on the way.
#pragma once

#include "platform/comm.h"

// The build's prefix for numbered ports (TARNWICK_COM_PREFIX), its folder of
// links that give numbered ports to other devices (TARNWICK_PORT_LINKS_DIR),
// and the name of each user's own such folder in the user's configuration
// folder (TARNWICK_USER_LINKS).
extern const char kComDevicePrefix[];
extern const char kPortLinksDir[];
extern const char kUserLinksName[];

// Folders where a change can make a name open another file, or one at all.
struct NameFolders {
    static const int kMax = 8;  // more are not kept
    char paths[kMax][MAX_PATH];
    int count = 0;
    void Add(const char* folder);
};

// Writes to path the file that name opens, and adds to folders the links
// folders looked in, the folder of each link on the way and the file's own. "COM<n>" in any letter
// case, n a decimal number from 1 with no leading zero, is the first of these that exists, even as
// a dangling link:
//   - com<n> in the user's links folder: kUserLinksName in $XDG_CONFIG_HOME
//     where that is an absolute path, else in $HOME/.config, and none
//     without HOME. Only a folder and link of the user's or root's count,
//     in a folder no other user may write to (a group only if it is the
//     user's own).
//   - com<n> in kPortLinksDir.
//   - kComDevicePrefix followed by n-1.
// Any other name is a path, used unchanged. False when the path does not
// fit, when whether a link exists cannot be told (a links folder that may
// not be searched or is no folder, a loop of links), or when the user's
// links folder or link is not to be trusted.
bool DevicePathForName(const char* name, char (&path)[MAX_PATH], NameFolders& folders);
