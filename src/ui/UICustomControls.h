// The program's own controls; the skin builder knows them by the element
// names "TimeEdit", "CircularProgress" (also "CCircularProgress"),
// "TextProgress", "SizeProgress" and "OverlapButton".
#pragma once
#include "ui/UICircularProgress.h"
#include "ui/UIOverlapButton.h"
#include "ui/UITextProgress.h"
#include "ui/UITimeEdit.h"
