// Framework layer: filled in as the windows need it.
