// The program's own controls by skin element name: "TimeEdit",
// "CircularProgress" (also "CCircularProgress"), "TextProgress",
// "SizeProgress" and "OverlapButton".
#pragma once
#include "ui/UICircularProgress.h"
#include "ui/UIOverlapButton.h"
#include "ui/UITextProgress.h"
#include "ui/UITimeEdit.h"

// Makes the builder know them (idempotent).
void RegisterCustomControls();
