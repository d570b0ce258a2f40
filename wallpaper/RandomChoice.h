// Drawing one of n choices from the runtime library's generator.
#pragma once

// A uniformly drawn number from 0 to n - 1, for any n >= 1 (0 for less).
int randomChoice(int n);
