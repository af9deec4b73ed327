// Wavsel's side of the sound chooser exchange: the whole life of the
// program. Without a waiting request (started by hand) it ends at once,
// shows nothing and releases nothing.
#pragma once

// Answers the request in the shared block with the dialog; returns the
// program's exit code.
int chooserMain();
