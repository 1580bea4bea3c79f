// The player tests' host window and run helpers, shared with these tests.
#include "player/player_support.cpp"
