/* A video hook module for tests. Configure accepts "fail" as its first
   argument to report failure; Process paints the top-left 16x16 corner of
   the luma plane white (or the value given as argument) and counts calls. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
  uint8_t *data[4];
  int linesize[4];
} Picture;

typedef struct {
  int value;
} Context;

int hook_calls = 0;

#ifndef HOOK_PROCESS_ONLY
int Configure(void **ctxp, int argc, char *argv[]) {
  if (argc > 1 && strcmp(argv[1], "fail") == 0) return -1;
  Context *c = (Context *)calloc(1, sizeof(Context));
  c->value = argc > 1 ? atoi(argv[1]) : 255;
  *ctxp = c;
  return 0;
}

void Release(void *ctx) { free(ctx); }
#endif

#ifndef HOOK_NO_PROCESS
void Process(void *ctx, Picture *pict, int pix_fmt, int width, int height, int64_t pts) {
  (void)pix_fmt;
  (void)pts;
  int value = ctx ? ((Context *)ctx)->value : 255;
  for (int y = 0; y < 16 && y < height; ++y)
    memset(pict->data[0] + y * pict->linesize[0], value, width < 16 ? width : 16);
  ++hook_calls;
}
#endif
