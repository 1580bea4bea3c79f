// The shape table of the transcoder tests with every video profile of the
// catalogue and every shape.
#define VXM_EVERY_SHAPE_ROW
#include "../transcoder_run/catalogue_shape_test.cpp"
#include "../transcoder_run/run_support.cpp"
