#pragma once
// Deletes the files in the member's "dat" folder (beside the program in the portable folder);
// sub-folders, the folder itself and everything else stay. Never fails.
void ClearTmp();
