// Placeholder so the library always has a source.
namespace ter5::base { int BaseLibraryVersion() { return 1; } }
