#pragma once
// Deletes the files in the "dat" folder beside the program; sub-folders, the folder itself and
// everything else stay. Never fails.
void ClearTmp();
