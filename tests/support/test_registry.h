#ifndef TOBALIN_TESTS_TEST_REGISTRY_H
#define TOBALIN_TESTS_TEST_REGISTRY_H

// The registry the settings tests run against: Windows' own where there is
// one, the in-memory double elsewhere. Clearing removes the settings key
// from both roots.
void use_test_registry();
void clear_test_registry();

#endif
