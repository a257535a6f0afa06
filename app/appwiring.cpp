// Placeholder until the start procedure lands.
