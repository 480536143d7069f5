// Keeps the sandbox library non-empty until the service lands.
int veltoSandboxPlaceholder() { return 0; }
