// The views arrive with the window work; this keeps the library non-empty until then.
namespace quirella::ui {
int placeholder() {
    return 0;
}
} // namespace quirella::ui
