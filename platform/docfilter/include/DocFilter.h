/* The document-filter libraries: SCCDA.DLL (document access), SCCCA.DLL (content
 * access) and SCCTA.DLL (text access). Their entry points, the records they exchange
 * with a caller and the statuses they answer, shared by the filter and by the library
 * that loads it.
 *
 * The records keep the 32-bit layout field for field; in a 64-bit build the one address
 * field is pointer-sized and the record sizes follow from that (the tree record is 1048
 * bytes in both, the content element record 44 and 48 bytes). Callers set the size field
 * to sizeof the record. Every entry point uses the WINAPI convention and is exported by
 * its plain name. */
#ifndef KELMSGS_DOCFILTER_H
#define KELMSGS_DOCFILTER_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Document, archive member, text reader and content reader handles. 0 is never a valid
 * handle; a stale or foreign handle is refused with DF_E_BADHANDLE. */
typedef ULONG_PTR DFHANDLE;
typedef LONG DFSTATUS;

/* Statuses. Text reads answer DF_OK while more text follows and DF_TEXT_LAST with the
 * last chunk; every other status delivers no chunk. */
#define DF_OK 0
#define DF_TEXT_LAST 31
#define DF_E_FAIL (-1)          /* unexpected failure (memory) */
#define DF_E_BADPARAM (-2)      /* a null pointer, a wrong record size, no buffer */
#define DF_E_BADHANDLE (-3)     /* not an open handle of that kind */
#define DF_E_FILEOPEN (-4)      /* the file cannot be opened or read */
#define DF_E_UNKNOWNFORMAT (-5) /* no reader knows the file */
#define DF_E_FILETOOLARGE (-6)  /* the file is larger than the filter reads */
#define DF_E_NOMORE (-7)        /* no text (left), no element (left) */
#define DF_E_NOMEMBER (-8)      /* member index outside the archive's members */
#define DF_E_BADSOURCE (-9)     /* a document source type other than DF_SOURCE_ANSIPATH */
#define DF_E_MEMBERDATA (-10)   /* the member's data cannot be read (encrypted, method) */
#define DF_E_TESTFAULT (-11)    /* failure injected through DFSetTestControl */

/* DAOpenDocument source type: the path of the file as an ANSI string. */
#define DF_SOURCE_ANSIPATH 2

/* Text chunks are at most this many bytes. */
#define DF_TEXT_CHUNK_MAX 65535

/* Tree record: one archive member, filled by DAGetTreeRecord. */
#define DF_TREE_NAME_BYTES 1024
typedef struct DFTREERECORD {
  DWORD dwSize;                    /* sizeof(DFTREERECORD), set by the caller */
  DWORD dwIndex;                   /* member index, set by the caller */
  char szName[DF_TREE_NAME_BYTES]; /* member name, ANSI, NUL-terminated; '/' separates
                                      folders and no name leads out of a folder */
  DWORD dwFileSize;                /* uncompressed size in bytes (saturated at 0xFFFFFFFF) */
  DWORD dwReserved[3];
} DFTREERECORD;

/* Content element types. */
#define DF_ELEMENT_TEXT 1  /* dwData[0] bytes of text in the buffer */
#define DF_ELEMENT_BEGIN 2 /* a part that is not body text begins */
#define DF_ELEMENT_END 3   /* the part of the same subtype ends */

/* Subtypes. Text elements carry DF_SUBTYPE_TEXT. Begin and end elements name the kind of
 * part they enclose; every part other than body text is enclosed, so skipping the
 * enclosed elements leaves the body text. */
#define DF_SUBTYPE_TEXT 0x00000001
#define DF_SUBTYPE_PROPERTIES 0x00010000 /* title, subject, author, keywords */
#define DF_SUBTYPE_HIDDEN 0x00080000     /* hidden text */
#define DF_SUBTYPE_FIELD 0x000E0000      /* field codes (instructions, not results) */
#define DF_SUBTYPE_HEADER 0x00100000     /* page headers */
#define DF_SUBTYPE_FOOTER 0x00110000     /* page footers */
#define DF_SUBTYPE_FOOTNOTE 0x00120000   /* footnotes */
#define DF_SUBTYPE_ENDNOTE 0x00130000    /* endnotes */
#define DF_SUBTYPE_COMMENT 0x00140000    /* comments, annotations, speaker notes */

/* Content element record: one element, filled by CAReadFirst and CAReadNext. */
typedef struct DFCONTENTELEMENT {
  DWORD dwSize;       /* sizeof(DFCONTENTELEMENT), set by the caller */
  DWORD dwFlags;      /* 0 */
  DWORD dwBufferSize; /* capacity of pBuffer in bytes, set by the caller */
  DWORD dwType;       /* DF_ELEMENT_* */
  DWORD dwSubType;    /* DF_SUBTYPE_* */
  DWORD dwData[5];    /* dwData[0]: text bytes in the buffer; the rest 0 */
  void* pBuffer;      /* the caller's buffer */
} DFCONTENTELEMENT;

#ifdef __cplusplus
static_assert(sizeof(DFTREERECORD) == 1048, "tree record layout");
static_assert(sizeof(DFCONTENTELEMENT) == (sizeof(void*) == 4 ? 44 : 48), "element layout");
#endif

/* Document access (SCCDA.DLL). */
DFSTATUS WINAPI DAInit(void);
DFSTATUS WINAPI DADeInit(void);
DFSTATUS WINAPI DAOpenDocument(DFHANDLE* document, DWORD sourceType, void* source, DWORD flags);
DFSTATUS WINAPI DACloseDocument(DFHANDLE document);
DFSTATUS WINAPI DASetOption(DFHANDLE handle, DWORD option, void* data, DWORD size);
DFSTATUS WINAPI DAGetTreeCount(DFHANDLE document, LONG* count);
DFSTATUS WINAPI DAGetTreeRecord(DFHANDLE document, DFTREERECORD* record);
DFSTATUS WINAPI DAOpenTreeRecord(DFHANDLE document, DFHANDLE* member, DWORD index);
DFSTATUS WINAPI DACloseTreeRecord(DFHANDLE member);

/* Content access (SCCCA.DLL): the elements of an archive member. */
DFSTATUS WINAPI CAOpenContent(DFHANDLE member, DFHANDLE* content);
DFSTATUS WINAPI CACloseContent(DFHANDLE content);
DFSTATUS WINAPI CAReadFirst(DFHANDLE content, DFCONTENTELEMENT* element);
DFSTATUS WINAPI CAReadNext(DFHANDLE content, DFCONTENTELEMENT* element);

/* Text access (SCCTA.DLL): the text of a document, Latin-1, in chunks. */
DFSTATUS WINAPI TAOpenText(DFHANDLE document, DFHANDLE* text);
DFSTATUS WINAPI TACloseText(DFHANDLE text);
DFSTATUS WINAPI TAReadFirst(DFHANDLE text, BYTE* buffer, DWORD capacity, DWORD* count);
DFSTATUS WINAPI TAReadNext(DFHANDLE text, BYTE* buffer, DWORD capacity, DWORD* count);

/* Pointer types for callers that look the entry points up with GetProcAddress. */
typedef DFSTATUS(WINAPI* DFPROC_DAInit)(void);
typedef DFSTATUS(WINAPI* DFPROC_DADeInit)(void);
typedef DFSTATUS(WINAPI* DFPROC_DAOpenDocument)(DFHANDLE*, DWORD, void*, DWORD);
typedef DFSTATUS(WINAPI* DFPROC_DACloseDocument)(DFHANDLE);
typedef DFSTATUS(WINAPI* DFPROC_DASetOption)(DFHANDLE, DWORD, void*, DWORD);
typedef DFSTATUS(WINAPI* DFPROC_DAGetTreeCount)(DFHANDLE, LONG*);
typedef DFSTATUS(WINAPI* DFPROC_DAGetTreeRecord)(DFHANDLE, DFTREERECORD*);
typedef DFSTATUS(WINAPI* DFPROC_DAOpenTreeRecord)(DFHANDLE, DFHANDLE*, DWORD);
typedef DFSTATUS(WINAPI* DFPROC_DACloseTreeRecord)(DFHANDLE);
typedef DFSTATUS(WINAPI* DFPROC_CAOpenContent)(DFHANDLE, DFHANDLE*);
typedef DFSTATUS(WINAPI* DFPROC_CACloseContent)(DFHANDLE);
typedef DFSTATUS(WINAPI* DFPROC_CAReadFirst)(DFHANDLE, DFCONTENTELEMENT*);
typedef DFSTATUS(WINAPI* DFPROC_CAReadNext)(DFHANDLE, DFCONTENTELEMENT*);
typedef DFSTATUS(WINAPI* DFPROC_TAOpenText)(DFHANDLE, DFHANDLE*);
typedef DFSTATUS(WINAPI* DFPROC_TACloseText)(DFHANDLE);
typedef DFSTATUS(WINAPI* DFPROC_TAReadFirst)(DFHANDLE, BYTE*, DWORD, DWORD*);
typedef DFSTATUS(WINAPI* DFPROC_TAReadNext)(DFHANDLE, BYTE*, DWORD, DWORD*);

/* Test controls, exported by SCCDA.DLL for tests only; the library never calls them.
 * The same controls can be set for a whole process with the environment variable
 * KELMSGS_DOCFILTER_TEST, read by DAInit: a comma-separated list of "slowread=MS",
 * "failcontent" and "failtreerecord". */
#define DF_TEST_SLOW_FIRST_READ 1   /* value: milliseconds every TAReadFirst waits first */
#define DF_TEST_FAIL_OPEN_CONTENT 2 /* value non-zero: CAOpenContent answers DF_E_TESTFAULT */
#define DF_TEST_FAIL_TREE_RECORD 3  /* value non-zero: DAGetTreeRecord answers DF_E_TESTFAULT */
DFSTATUS WINAPI DFSetTestControl(DWORD control, DWORD value);
typedef DFSTATUS(WINAPI* DFPROC_DFSetTestControl)(DWORD, DWORD);

#ifdef __cplusplus
}

/* A pointer type that differs from its entry point would unbalance the 32-bit stack (the
 * callee pops the arguments it declares). */
#define DF_SAME_TYPE(name) \
  static_assert(__is_same(DFPROC_##name, decltype(&name)), #name " pointer type")
DF_SAME_TYPE(DAInit);
DF_SAME_TYPE(DADeInit);
DF_SAME_TYPE(DAOpenDocument);
DF_SAME_TYPE(DACloseDocument);
DF_SAME_TYPE(DASetOption);
DF_SAME_TYPE(DAGetTreeCount);
DF_SAME_TYPE(DAGetTreeRecord);
DF_SAME_TYPE(DAOpenTreeRecord);
DF_SAME_TYPE(DACloseTreeRecord);
DF_SAME_TYPE(CAOpenContent);
DF_SAME_TYPE(CACloseContent);
DF_SAME_TYPE(CAReadFirst);
DF_SAME_TYPE(CAReadNext);
DF_SAME_TYPE(TAOpenText);
DF_SAME_TYPE(TACloseText);
DF_SAME_TYPE(TAReadFirst);
DF_SAME_TYPE(TAReadNext);
DF_SAME_TYPE(DFSetTestControl);
#undef DF_SAME_TYPE
#endif

#endif /* KELMSGS_DOCFILTER_H */
