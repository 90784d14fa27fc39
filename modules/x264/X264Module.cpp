// x264.dll: the module whose presence in the program folder says that H.264
// may be encoded here. The program never calls into it: the start of a batch
// only checks that the file exists, and the codec pages load it and free it
// at once to decide whether to offer H.264. The writers encode H.264 with
// libavcodec's libx264 encoder.
//
// So the module's whole work is to load only where that encoder can run: it
// is built only when the libavcodec it is built against has the libx264
// encoder, and it depends on that libavcodec (which in turn needs libx264),
// so loading it fails where either library is missing. It exports nothing.
