#pragma once
// What a second start of the program tells the copy that runs: "show yourself", with the
// desktop's activation token of the second start when there is one (the launcher's
// DESKTOP_STARTUP_ID or XDG_ACTIVATION_TOKEN), so that the window manager raises the running
// copy's window instead of only flashing it. The one message is a single line:
//
//   zvkb-activate <token>\n     (token "-" for none)
//
// Anything else that arrives on the channel is no message and does nothing.
#include <QByteArray>
#include <QString>
#include <optional>

namespace ActivationMessage
{

// A line never needs more: the token is cut off at kMaxTokenBytes, a longer line is refused.
constexpr int kMaxTokenBytes = 200;
constexpr int kMaxLineBytes = 256;

// The line for a token; a token that is not plain printable ASCII (what launchers make) or too
// long is left out: the window is still shown, only without it.
QByteArray encode(const QString& token);

// The token of a whole line (empty for none), or nothing when the bytes are not the message.
std::optional<QString> decode(QByteArrayView line);

// The answer the running copy gives once it has shown its window.
QByteArray done();

// The channel's name for the lock at lockPath, as both copies find it: the member's user id and
// a digest of the lock's real path, so that every copy that shares the lock shares the channel.
QString channelName(const QString& lockPath, uint uid);

// The socket file beside the lock ("zvkb.sock" for "zvkb.lock") that takes the channel's place
// where another user holds its name.
QString channelFile(const QString& lockPath);

} // namespace ActivationMessage
