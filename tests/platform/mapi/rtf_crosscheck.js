// Decompresses every N.bin of a directory with an independent decoder and compares the
// result with N.rtf, byte for byte.
const fs = require('fs');
const path = require('path');
const { decompressRTF } = require('@kenjiuno/decompressrtf');

const dir = process.argv[2];
const names = fs.readdirSync(dir).filter((n) => n.endsWith('.bin')).sort();
let failed = 0;
for (const name of names) {
  const base = path.join(dir, name.slice(0, -4));
  const packed = fs.readFileSync(base + '.bin');
  const expected = fs.readFileSync(base + '.rtf');
  let actual;
  try {
    actual = Buffer.from(decompressRTF(Array.from(packed)));
  } catch (e) {
    console.log(`${name}: the decoder failed: ${e}`);
    failed++;
    continue;
  }
  if (Buffer.compare(actual, expected) !== 0) {
    console.log(`${name}: ${actual.length} bytes decoded, ${expected.length} expected`);
    failed++;
  } else {
    console.log(`${name}: ${expected.length} bytes match (${packed.length} stored)`);
  }
}
if (names.length === 0) {
  console.log('no cases were written');
  process.exit(1);
}
console.log(`${names.length - failed} of ${names.length} cases match`);
process.exit(failed ? 1 : 0);
