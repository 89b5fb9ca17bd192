// Linked with one layer of the core whole and the layers below it: that the
// program links at all is the test (tests/layers/CMakeLists.txt).
int main() { return 0; }
