// Placeholder until the crash question is built.
int main() {
    return 0;
}
