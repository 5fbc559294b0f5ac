// The host's progress bar, as recorded by the latest GetData.
#pragma once

// PBM_STEPIT after a stage of an acquisition.
void StepProgress();
// PBM_SETPOS 0 after a failed acquisition.
void ResetProgress();
