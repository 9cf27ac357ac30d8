// A program that does nothing, linked to the libraries korvane-render
// loads: what a cold start costs before any of our code runs. The cold
// start benchmark measures korvane-render against it.
int main() { return 0; }
