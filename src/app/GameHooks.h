#pragma once
// Ties the application shell to this game's engine root and game object.

// Fills the shell's hooks (appHooks) so that its idle steps build, run and
// tear down the engine root and the game object.
void installGameHooks();
