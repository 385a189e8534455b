/* pxlib_scan TABLE: reads every record of a Paradox table with pxlib and decodes
 * every numeric and text field, printing the record count. The whole-process
 * counterpart of `ter5tool scan` for throughput and memory comparisons; it is not
 * part of the CMake build:
 *     cc -O2 -o pxlib_scan bench/pxlib_scan.c -lpx
 */
#include <paradox.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: pxlib_scan TABLE\n");
        return 2;
    }
    pxdoc_t* doc = PX_new();
    FILE* file = fopen(argv[1], "rb"); /* PX_open_file asks for write access */
    if (!doc || !file || PX_open_fp(doc, file) < 0) {
        fprintf(stderr, "pxlib_scan: cannot open %s\n", argv[1]);
        return 2;
    }
    const int fieldCount = PX_get_num_fields(doc);
    pxfield_t* fields = PX_get_fields(doc);
    const int records = PX_get_num_records(doc);
    char* data = malloc((size_t)PX_get_recordsize(doc));
    long nonNull = 0;
    int read = 0;
    for (; read < records && PX_get_record(doc, read, data); ++read) {
        char* p = data;
        for (int f = 0; f < fieldCount; p += fields[f].px_flen, ++f) {
            switch (fields[f].px_ftype) {
                case pxfAutoInc:
                case pxfLong: {
                    long v;
                    nonNull += PX_get_data_long(doc, p, fields[f].px_flen, &v) > 0;
                    break;
                }
                case pxfShort: {
                    short v;
                    nonNull += PX_get_data_short(doc, p, fields[f].px_flen, &v) > 0;
                    break;
                }
                case pxfAlpha: {
                    char* v = NULL;
                    if (PX_get_data_alpha(doc, p, fields[f].px_flen, &v) > 0) {
                        ++nonNull;
                        doc->free(doc, v);
                    }
                    break;
                }
                default: {
                    double v;
                    nonNull += PX_get_data_double(doc, p, fields[f].px_flen, &v) > 0;
                    break;
                }
            }
        }
    }
    printf("%d records (%ld values)\n", read, nonNull);
    free(data);
    PX_close(doc);
    PX_delete(doc);
    fclose(file);
    return read == records ? 0 : 1;
}
