// Filled by the simulator core.
