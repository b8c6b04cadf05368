// Placeholder until the compiler is built.
namespace advc {
int Placeholder() { return 0; }
}  // namespace advc
