// How much of its start a page does in its constructor. The window builds the pages that its
// first frame does not show with Deferred and has them finish their start (their FinishStart())
// right after that frame: reading the file system and looking up themed icons take longer than
// building all the rest of the window.
#pragma once

enum class TPageStart { Complete, Deferred };
