# Decoder tests.
