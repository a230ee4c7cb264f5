#pragma once

// The test plot window's scene on the rack's board (started by
// StartRackBoard, with the graphics and event layers up): every pane and
// button, two generator traces from the test DAC through multiplexer 13 on
// the raw-data grid (the earlier one in yellow), and the response of
// filter 1 (10 kHz) to a chirp from the test DAC at the probe, through
// multiplexer 7, with a second-order reference in red. FALSE, with the
// reason on stderr, when a sweep fails.
bool DrawTestPlotScene();
