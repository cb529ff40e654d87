namespace vistrel { int placeholder() { return 0; } }
