// One zoom factor for the whole program: the design size made for a
// reference screen, scaled to the screen in use.
#pragma once

// Factor for a design of designW x designH made on a refW x refH screen,
// shown on a screen of screenW x screenH whose free area is availW x availH:
// the screen's ratio to the reference (never below 1), reduced when the
// design would not fit the free area. Rounded to hundredths.
double CalcZoomFactor(int designW, int designH, int refW, int refH, int screenW, int screenH, int availW, int availH);
// Computes the factor for the primary screen and makes it the framework's zoom.
double DuiInitParamsForZoom(int designW, int designH, int refW, int refH);
