// placeholder: filled in by the painter-format work
