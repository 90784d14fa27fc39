/* Build-time check: exits with 0 when the libavcodec found here has the
   libx264 encoder. */
#include <libavcodec/avcodec.h>

int main(void) { return avcodec_find_encoder_by_name("libx264") ? 0 : 1; }
