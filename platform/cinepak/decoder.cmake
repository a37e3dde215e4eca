# Decoder sources; filled in as the decoder is built.
