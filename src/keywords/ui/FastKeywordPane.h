#pragma once
// The output panes are the one keyword pane without wrapping (KeywordPane.h).
#include "keywords/ui/KeywordPane.h"
