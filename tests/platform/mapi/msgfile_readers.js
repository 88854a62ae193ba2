// Reads a message file with @kenjiuno/msgreader: subject, bodies, recipients, attachments
// with their bytes, and embedded messages with their own attachments. Without a
// description the file is the stand-in's sample; with one (FILE.json) every part is
// compared to it.
// Usage: node msgfile_readers.js FILE.msg [FILE.json]
const fs = require('fs');
const MsgReader = require('@kenjiuno/msgreader').default;

const reader = new MsgReader(fs.readFileSync(process.argv[2]));
const data = reader.getFileData();
const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };
const bytes = (att) => Buffer.from(reader.getAttachment(att).content);

// One message's fields (top level or embedded) against its description.
function compare(fields, expected, where) {
  check(fields.subject === expected.subject, `${where}: subject ${JSON.stringify(fields.subject)}`);
  if (expected.body === null) {
    check(!fields.body, `${where}: no plain body`);
  } else {
    check(fields.body === expected.body, `${where}: body ${JSON.stringify(fields.body)}`);
  }
  check(Boolean(fields.compressedRtf && fields.compressedRtf.length) === (expected.rtf !== null),
        `${where}: compressed RTF`);
  const got = (fields.recipients || []).map((r) => `${r.recipType}:${r.name}:${r.email}`);
  const want = expected.recipients.map((r) => `${r.type}:${r.name}:${r.email}`);
  check(JSON.stringify(got) === JSON.stringify(want), `${where}: recipients ${JSON.stringify(got)}`);
  const attachments = fields.attachments || [];
  check(attachments.length === expected.attachments.length, `${where}: attachment count`);
  for (const wanted of expected.attachments) {
    const found = attachments.find((a) => (a.fileName || a.name) === wanted.name);
    if (wanted.message) {
      check(found && found.innerMsgContent, `${where}: embedded ${wanted.name}`);
      if (found && found.innerMsgContentFields) {
        compare(found.innerMsgContentFields, wanted.message, `${where}/${wanted.name}`);
      }
    } else {
      check(found && bytes(found).equals(Buffer.from(wanted.data, 'hex')),
            `${where}: ${wanted.name} bytes`);
    }
  }
}

if (process.argv[3]) {
  compare(data, JSON.parse(fs.readFileSync(process.argv[3], 'utf8')), process.argv[2]);
  for (const f of failures) console.log('FAILED:', f);
  console.log('msgreader:', failures.length ? `${failures.length} failures` : 'ok');
  process.exit(failures.length ? 1 : 0);
}

const notes = Buffer.concat([Buffer.from('These are the notes.\r\n'),
                             Buffer.from([...Array(256).keys()])]);
check(data.subject === 'Quarterly report \u00fcber \u00c6rger \u2013 \u4f60\u597d', 'subject');
check(data.body === 'Hello,\r\nthis is the plain body.\r\n', 'body');
check(data.compressedRtf && data.compressedRtf.length > 16, 'compressed RTF');
const recipients = (data.recipients || []).map((r) => `${r.recipType}:${r.name}:${r.email}`);
check(JSON.stringify(recipients) ===
      JSON.stringify(['to:Alice Example:alice@example.com', 'cc:Bob Example:bob@example.com']),
      `recipients ${JSON.stringify(recipients)}`);
const byName = Object.fromEntries((data.attachments || []).map((a) => [a.fileName || a.name, a]));
check(byName['notes.txt'] && bytes(byName['notes.txt']).equals(notes), 'notes.txt bytes');
check(byName['drawing.bin'] && bytes(byName['drawing.bin']).toString() === 'OLE object payload',
      'OLE attachment bytes');
const inner = byName['Inner message'];
check(inner && inner.innerMsgContent, 'embedded message');
if (inner && inner.innerMsgContentFields) {
  const fields = inner.innerMsgContentFields;
  check(fields.subject === 'Inner message', 'embedded subject');
  check(fields.body === 'Inner body\r\n', 'embedded body');
  const att = (fields.attachments || [])[0];
  check(att && att.fileName === 'inner.txt' &&
        bytes(att).toString() === 'Inner attachment data\r\n', 'embedded attachment');
}
for (const f of failures) console.log('FAILED:', f);
console.log('msgreader:', failures.length ? `${failures.length} failures` : 'ok');
process.exit(failures.length ? 1 : 0);
