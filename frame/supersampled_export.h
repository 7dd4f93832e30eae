#pragma once

// "Save Picture" at the chosen supersampling (Supersampling): at 1 x 1
// the export as it always was; above, the picture computed again at n x n
// samples a pixel and written, while the picture on screen, its results and
// the view stay as they were.
void SaveSupersampledPictureCommand();
