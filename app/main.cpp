// The desktop program's entry point.
int main() { return 0; }
