#pragma once
// Test support: a text raster with metrics set by hand, so tests know every
// size and pixel without asking the code. Every character advances 10 pixels
// in a cell of the asked height; 'L' overhangs 3 on the left (A = -3) and 'R'
// 2 on the right (C = -2). Text is drawn as one fully covered column at each
// character's pen position.
class TestPlatform;

// Every font opened from now on is the fake; the platform puts the real raster back.
void useFakeTextRaster(TestPlatform& platform);
