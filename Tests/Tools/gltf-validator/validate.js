// Validates glTF/GLB files with the Khronos glTF validator.
// Usage: node validate.js FILE...   Prints every error and exits 1 when any
// file has one (or cannot be validated); warnings and hints are counted only.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function validate(file) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: path.basename(file),
        maxIssues: 0,
    });
    const issues = report.issues;
    for (const message of issues.messages.filter((m) => m.severity === 0))
        console.log(`${file}: ${message.code} ${message.pointer || ''} ${message.message}`);
    console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ${issues.numInfos} infos`);
    return issues.numErrors;
}

(async () => {
    let errors = 0;
    for (const file of process.argv.slice(2)) {
        try {
            errors += await validate(file);
        } catch (failure) {
            console.log(`${file}: ${failure}`);
            errors += 1;
        }
    }
    process.exit(errors === 0 && process.argv.length > 2 ? 0 : 1);
})();
