// The common controls library: its initialisation, which registers the themed control classes on
// Windows. The controls here are Qt's, drawn in the platform's native style, so there is nothing
// to register.
#pragma once

inline void InitCommonControls() {}
