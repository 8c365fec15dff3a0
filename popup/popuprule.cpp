// Filled in as the program grows.
